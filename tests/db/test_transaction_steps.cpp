#include "HostDb.h"
#include "data/TransactionSteps.h"
#include "fb/FbDatabase.h"
#include "fb/FbError.h"
#include "fb/FbStatement.h"
#include "fb/FbTransaction.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

using testsupport::HostDb;

namespace {

enum class Form { Read, GuardedWrite, PassingWrite };

std::string nameOf(Form form)
{
    switch (form) {
    case Form::Read:
        return "ReadStep";
    case Form::GuardedWrite:
        return "GuardedWriteStep";
    case Form::PassingWrite:
        break;
    }
    return "PassingWriteStep";
}

void PrintTo(Form form, std::ostream* os)
{
    *os << nameOf(form);
}

// What a step left behind.
struct StepResult
{
    bool workRan = false;
    std::optional<bool> guardedResult;
    std::optional<fb::FbError> passedOn;
};

// A connection with the host installation's transaction, and a table the work writes into,
// so that a commit and a roll-back leave different traces.
class TransactionStep : public testing::Test
{
protected:
    void SetUp() override
    {
        host.exec(QStringLiteral("create table schritt (id integer not null primary key)"));
        db.DBName = host.connectionString();
        db.ConnectParams = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=plumtrove"),
                            QStringLiteral("sql_role_name=")};
        db.Open();
    }

    // Writes row 1, then reads; `fail` makes the second write collide with the first, a real
    // error of the server.
    StepResult run(Form form, bool fail)
    {
        StepResult r;
        auto work = [&] {
            r.workRan = true;
            insert.ParamByName(QStringLiteral("id")).setAsInteger(1);
            insert.ExecQuery();
            read.Open();
            if (fail)
                insert.ExecQuery();
        };
        try {
            switch (form) {
            case Form::Read:
                data::ReadStep(tr, {&read}, work);
                break;
            case Form::GuardedWrite:
                r.guardedResult = data::GuardedWriteStep(tr, work, &lastError);
                break;
            case Form::PassingWrite:
                data::PassingWriteStep(tr, work);
                break;
            }
        } catch (const fb::FbError& e) {
            r.passedOn = e;
        }
        return r;
    }

    int rowsKept() { return host.scalar(QStringLiteral("select count(*) from schritt")).toInt(); }

    HostDb host;
    fb::FbDatabase db;
    fb::FbTransaction tr{&db};
    fb::FbQuery insert{&db, &tr, QStringLiteral("insert into schritt (id) values (:id)")};
    fb::FbDataSet read{&db, &tr, QStringLiteral("select id from schritt")};
    data::TDbFailure lastError;
};

// Firebird's code for a primary key violation.
constexpr std::intptr_t UniqueKeyViolation = 335544665;

TEST_F(TransactionStep, ReadStepCommitsAlsoAfterAFailedRead)
{
    const StepResult ok = run(Form::Read, false);
    EXPECT_FALSE(ok.passedOn.has_value());
    EXPECT_FALSE(tr.Active());
    EXPECT_FALSE(read.Active());
    EXPECT_EQ(rowsKept(), 1);

    host.exec(QStringLiteral("delete from schritt"));
    const StepResult failed = run(Form::Read, true);
    ASSERT_TRUE(failed.passedOn.has_value()) << "the error must reach the enclosing operation";
    EXPECT_TRUE(failed.passedOn->hasCode(UniqueKeyViolation)) << failed.passedOn->what();
    EXPECT_FALSE(tr.Active());
    EXPECT_FALSE(read.Active()) << "closed before the commit";
    EXPECT_EQ(rowsKept(), 1) << "committed, not rolled back";
}

TEST_F(TransactionStep, GuardedWriteStepRollsBackAndReportsFailure)
{
    const StepResult ok = run(Form::GuardedWrite, false);
    EXPECT_EQ(ok.guardedResult, true);
    EXPECT_FALSE(tr.Active());
    EXPECT_EQ(rowsKept(), 1);

    host.exec(QStringLiteral("delete from schritt"));
    const StepResult failed = run(Form::GuardedWrite, true);
    EXPECT_EQ(failed.guardedResult, false);
    EXPECT_FALSE(failed.passedOn.has_value()) << "the error is consumed";
    EXPECT_FALSE(tr.Active());
    EXPECT_EQ(rowsKept(), 0) << "the row written before the error is gone";
    EXPECT_FALSE(lastError.message.isEmpty());
}

TEST_F(TransactionStep, PassingWriteStepRollsBackAndPassesTheErrorOn)
{
    const StepResult ok = run(Form::PassingWrite, false);
    EXPECT_FALSE(ok.passedOn.has_value());
    EXPECT_FALSE(tr.Active());
    EXPECT_EQ(rowsKept(), 1);

    host.exec(QStringLiteral("delete from schritt"));
    const StepResult failed = run(Form::PassingWrite, true);
    ASSERT_TRUE(failed.passedOn.has_value());
    EXPECT_TRUE(failed.passedOn->hasCode(UniqueKeyViolation)) << failed.passedOn->what();
    EXPECT_FALSE(tr.Active());
    EXPECT_EQ(rowsKept(), 0);
}

// A transaction that is already running is used as it is, and ended by the step.
TEST_F(TransactionStep, AnActiveTransactionIsTakenOverAndEnded)
{
    tr.StartTransaction();
    const StepResult r = run(Form::PassingWrite, false);
    EXPECT_TRUE(r.workRan);
    EXPECT_FALSE(r.passedOn.has_value());
    EXPECT_FALSE(tr.Active());
    EXPECT_EQ(rowsKept(), 1);
}

class FailedStart : public TransactionStep, public testing::WithParamInterface<Form>
{
};

// The start lies before the protected part: even the guarded step lets the error through,
// and the work never runs.
TEST_P(FailedStart, PassesOnAtOnce)
{
    // The server refuses a transaction that asks for two isolation levels at once.
    tr.setParams({QStringLiteral("write"), QStringLiteral("read_committed"), QStringLiteral("concurrency")});
    const StepResult r = run(GetParam(), false);
    EXPECT_FALSE(r.workRan);
    EXPECT_FALSE(r.guardedResult.has_value()) << "a failed start is not a failed write";
    ASSERT_TRUE(r.passedOn.has_value());
    EXPECT_NE(r.passedOn->errorCode(), 0) << "the server's own error: " << r.passedOn->what();
    EXPECT_FALSE(tr.Active());
    EXPECT_EQ(rowsKept(), 0);
}

INSTANTIATE_TEST_SUITE_P(AllForms, FailedStart,
                         testing::Values(Form::Read, Form::GuardedWrite, Form::PassingWrite),
                         [](const auto& info) { return nameOf(info.param); });

} // namespace
