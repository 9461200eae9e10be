#include "app/MainForm.h"

#include "app/pages/SaveDetails.h"
#include "data/MainData.h"
#include "widgets/NumericKeyboard.h"
#include "widgets/RateEdit.h"
#include "widgets/Resources.h"
#include "win/ErrorReport.h"
#include "win/MessageDlg.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QToolButton>

using data::MainDM;

namespace app {

void TMainFrm::CreateGeneralPage()
{
    lblHinweis = new QLabel(tsGeneral);
    lblHinweis->setObjectName(QStringLiteral("lblHinweis"));
    // Qt breaks label lines at a line feed alone; a carriage return would show as a glyph.
    lblHinweis->setText(
        QStringLiteral("Hinweis:\nBitte erstellen Sie in der KOVANTEL vor und nach der Umstellung ein "
                       "Änderungsprotokoll."));
    lblHinweis->setWordWrap(true);
    lblHinweis->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblHinweis->setGeometry(11, 10, 545, 301);
    lblHinweis->setAccessibleName(lblHinweis->text());

    grpVatRates = new QGroupBox(QStringLiteral("Mwst Sätze"), tsGeneral);
    grpVatRates->setObjectName(QStringLiteral("grpVatRates"));
    grpVatRates->setGeometry(600, 10, 240, 205);
    grpVatRates->setAccessibleName(QStringLiteral("Mwst Sätze"));
    const int tops[5] = {25, 61, 97, 133, 170};
    for (int n = 0; n < 5; ++n) {
        auto* label = new QLabel(QStringLiteral("Mwst Satz %1:").arg(n), grpVatRates);
        label->setObjectName(QStringLiteral("lblVatRate%1").arg(n));
        label->setGeometry(15, tops[n], 100, 26);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setAccessibleName(label->text());
        lblVatRate[n] = label;

        auto* edit = new widgets::TRateEdit(grpVatRates);
        edit->setObjectName(QStringLiteral("edtVatRate%1").arg(n));
        edit->setGeometry(125, tops[n], 100, 26);
        edit->setEnabled(false);
        edit->setAccessibleName(label->text());
        label->setBuddy(edit);
        connect(edit, &widgets::TRateEdit::changed, this,
                [this] { win::Guarded([this] { edtVatRateChange(); }); });
        edtVatRate[n] = edit;
    }
    for (int n = 0; n < 4; ++n)
        QWidget::setTabOrder(edtVatRate[n], edtVatRate[n + 1]);

    keybNumeric = new widgets::TNumericKeyboard(tsGeneral);
    keybNumeric->setObjectName(QStringLiteral("keybNumeric"));
    keybNumeric->move(860, 15);
    keybNumeric->setAccessibleName(QStringLiteral("Ziffernblock"));

    btnSetGeneralVatRates = new QToolButton(tsGeneral);
    btnSetGeneralVatRates->setObjectName(QStringLiteral("btnSetGeneralVatRates"));
    btnSetGeneralVatRates->setDefaultAction(actSetGeneralVatRates);
    btnSetGeneralVatRates->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnSetGeneralVatRates->setIconSize(QSize(32, 32));
    btnSetGeneralVatRates->setAutoRaise(true);
    // Taking the focus would end the Tab round of the rate edits here, and the on-screen
    // keypad would type into a button.
    btnSetGeneralVatRates->setFocusPolicy(Qt::NoFocus);
    btnSetGeneralVatRates->setGeometry(865, 245, 110, 41);
    btnSetGeneralVatRates->setAccessibleName(QStringLiteral("Ändern"));
    connect(actSetGeneralVatRates, &QAction::triggered, this,
            [this] { win::Guarded([this] { actSetGeneralVatRatesExecute(); }); });
}

widgets::TRateEdit* TMainFrm::FindRateEdit(int slot) const
{
    return findChild<widgets::TRateEdit*>(QStringLiteral("edtVatRate%1").arg(slot));
}

void TMainFrm::ShowGeneralVatRates()
{
    const data::TVatRateSlots rates = MainDM->LoadVatRates();
    for (int n = 0; n < 5; ++n) {
        if (widgets::TRateEdit* edit = FindRateEdit(n)) {
            edit->setEnabled(rates[n].Exists && FEditMode == 1);
            edit->setValue(rates[n].Rate);
        }
    }
    // Last, because setting the values above counts as a change.
    actSetGeneralVatRates->setEnabled(false);
}

void TMainFrm::edtVatRateChange()
{
    actSetGeneralVatRates->setEnabled(true);
}

void TMainFrm::actSetGeneralVatRatesExecute()
{
    SaveGeneralChanges();
}

bool TMainFrm::SaveGeneralChanges()
{
    bool result = false;
    data::TVatRateSlots rates{};
    for (int n = 0; n < 5; ++n) {
        if (widgets::TRateEdit* edit = FindRateEdit(n)) {
            rates[n].Exists = edit->isEnabled();
            rates[n].Rate = static_cast<float>(edit->Value());
        }
    }
    QString preview = GeneralChangeDetails(MainDM->PreviewGeneralChanges(rates));
    if (preview.isEmpty())
        preview = QStringLiteral("Kein Mwst Satz ändert sich.");
    bool go = win::MessageDlg(QStringLiteral("Sollen die Änderungen gespeichert werden?"),
                              win::MsgKind::Confirmation, win::MsgButtons::YesNo, win::MsgResult::Yes,
                              preview) == win::MsgResult::Yes;
    if (go && FDateWarning)
        go = win::MessageDlg(
                 QStringLiteral("ACHTUNG: Das Datum liegt vor dem 01.01.2024\r\n\r\nDie Änderungen "
                                "werden SOFORT wirksam.\r\nSollen sie trotzdem gespeichert werden?"),
                 win::MsgKind::Warning, win::MsgButtons::YesNo, win::MsgResult::No) == win::MsgResult::Yes;
    if (!go)
        return true;

    if (MainDM->SaveGeneralVatRates(rates)) {
        result = true;
        // The saved values stay as typed, shown in the edits' usual form.
        for (int n = 0; n < 5; ++n)
            if (widgets::TRateEdit* edit = FindRateEdit(n))
                edit->setValue(edit->Value());
    } else
        win::MessageDlg(QStringLiteral("Beim Speichern ist ein Fehler aufgetreten!"), win::MsgKind::Warning,
                        win::MsgButtons::Ok, win::MsgResult::Ok, MainDM->LastFailure().Explanation());
    actSetGeneralVatRates->setEnabled(!result);
    return result;
}

} // namespace app
