#include "app/MainForm.h"

#include "app/pages/SaveDetails.h"
#include "data/MainData.h"
#include "widgets/PageControl.h"
#include "widgets/Resources.h"
#include "win/ErrorReport.h"
#include "win/MessageDlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

using data::MainDM;
using data::TMainDM;

namespace app {

TMainFrm* MainFrm = nullptr;

namespace {

const char* const TahomaCandidates[] = {"/usr/share/wine/fonts/tahoma.ttf",
                                        "/usr/share/fonts/truetype/tahoma.ttf"};

void LoadTahoma()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const char* path : TahomaCandidates)
        if (QFile::exists(QString::fromLatin1(path)))
            QFontDatabase::addApplicationFont(QString::fromLatin1(path));
}

const QString TabStyle = QStringLiteral(
    "QTabWidget::pane { border: 1px solid rgb(173,216,230); background: rgb(173,216,230); top: -1px; }"
    "QTabWidget::tab-bar { left: 0px; }"
    "QTabBar { background: rgb(173,216,230); }"
    "QTabBar::tab { padding: 4px 10px 4px 10px; margin: 0px; color: black;"
    "  border: 1px solid rgb(173,216,230); border-bottom: none;"
    "  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(214,236,243), stop:1 "
    "rgb(132,198,219)); }"
    "QTabBar::tab:selected { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
    "  stop:0 rgb(255,255,255), stop:1 rgb(210,210,210)); }");

} // namespace

QColor WindowColor()
{
    return QColor(173, 216, 230);
}

QFont WindowFont()
{
    LoadTahoma();
    QFont font(QStringLiteral("Tahoma"));
    // Tahoma where it is installed, a close sans-serif otherwise.
    font.setStyleHint(QFont::SansSerif);
    font.setFamilies(
        {QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    font.setPixelSize(15);
    return font;
}

TMainFrm::TMainFrm(QWidget* parent) : QWidget(parent)
{
    static const bool resources = (widgets::InitResources(), true);
    Q_UNUSED(resources);
    // The window shows the application's icon, not one of its own.
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(QString::fromLatin1(WindowCaption));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(1014, 692);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, WindowColor());
    setPalette(pal);
    setFont(WindowFont());
    setAccessibleName(QString::fromLatin1(WindowCaption));

    actSetGeneralVatRates = new QAction(QStringLiteral("Ändern"), this);
    actSetGeneralVatRates->setObjectName(QStringLiteral("actSetGeneralVatRates"));
    actSetGeneralVatRates->setIcon(widgets::LoadIcon(QStringLiteral("floppy")));
    actSetArticlesVatRates = new QAction(QStringLiteral("Ändern"), this);
    actSetArticlesVatRates->setObjectName(QStringLiteral("actSetArticlesVatRates"));
    actSetArticlesVatRates->setIcon(widgets::LoadIcon(QStringLiteral("floppy")));

    pgcVatRates = new widgets::TPageControl(this);
    pgcVatRates->setObjectName(QStringLiteral("pgcVatRates"));
    pgcVatRates->setGeometry(10, 10, 994, 621);
    pgcVatRates->setStyleSheet(TabStyle);
    pgcVatRates->setAccessibleName(QStringLiteral("Mwst Sätze"));
    tsGeneral = new QWidget;
    tsGeneral->setObjectName(QStringLiteral("tsGeneral"));
    tsArticles = new QWidget;
    tsArticles->setObjectName(QStringLiteral("tsArticles"));
    for (QWidget* page : {tsGeneral, tsArticles}) {
        page->setAutoFillBackground(true);
        page->setPalette(pal);
    }
    pgcVatRates->addTab(tsGeneral, QStringLiteral("Allgemein"));
    pgcVatRates->addTab(tsArticles, QStringLiteral("Artikel"));
    tsGeneral->setAccessibleName(QStringLiteral("Allgemein"));
    tsArticles->setAccessibleName(QStringLiteral("Artikel"));
    pgcVatRates->OnCanChange = [this](int from, int to, bool& allow) {
        pgcVatRatesCanChange(from, to, allow);
    };

    btnClose = new QToolButton(this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setText(QStringLiteral("Beenden"));
    btnClose->setAccessibleName(QStringLiteral("Beenden"));
    btnClose->setIcon(widgets::LoadIcon(QStringLiteral("door")));
    btnClose->setIconSize(QSize(32, 32));
    btnClose->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnClose->setAutoRaise(true);
    // A flat button, as on a touch till: the focus stays in the edit being typed into.
    btnClose->setFocusPolicy(Qt::NoFocus);
    btnClose->setGeometry(896, 643, 110, 41);
    connect(btnClose, &QToolButton::clicked, this, [this] { win::Guarded([this] { btnCloseClick(); }); });

    tmrOpenBranchOffice = new QTimer(this);
    tmrOpenBranchOffice->setObjectName(QStringLiteral("tmrOpenBranchOffice"));
    tmrOpenBranchOffice->setInterval(1000);
    tmrOpenBranchOffice->setSingleShot(true);
    connect(tmrOpenBranchOffice, &QTimer::timeout, this,
            [this] { win::Guarded([this] { tmrOpenBranchOfficeTimer(); }); });

    CreateGeneralPage();
    CreateArticlesPage();
    FormCreate();
}

TMainFrm::~TMainFrm()
{
    // QWidget's destructor still hides the window and takes the focus from the control
    // that has it; a rate edit then reformats and signals a change. By then this object
    // is a plain QWidget, so nothing may reach the handlers of this window any more.
    for (QObject* child : findChildren<QObject*>())
        QObject::disconnect(child, nullptr, this, nullptr);
    pgcVatRates->OnCanChange = nullptr;
    if (MainFrm == this)
        MainFrm = nullptr;
    // A window destroyed without being closed still frees its data module.
    FormClose();
}

void TMainFrm::FormCreate()
{
    FEditMode = 0;
    pgcVatRates->setActivePageIndex(0);
    actSetGeneralVatRates->setEnabled(false);
    actSetArticlesVatRates->setEnabled(false);
}

void TMainFrm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Only the first showing opens the database: restoring the window from the taskbar
    // shows it again and must not run the open a second time.
    if (m_shown)
        return;
    m_shown = true;
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    win::Guarded([this] { FormShow(); });
}

void TMainFrm::FormShow()
{
    if (!MainDM) {
        MainDM = new TMainDM(this);
        BindArticleLookups();
    }
    tmrOpenBranchOffice->start();
}

void TMainFrm::closeEvent(QCloseEvent* event)
{
    win::Guarded([this] { FormClose(); });
    event->accept();
}

void TMainFrm::FormClose()
{
    if (MainDM) {
        TMainDM* dm = MainDM;
        MainDM = nullptr;
        delete dm;
    }
}

void TMainFrm::ProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TMainFrm::tmrOpenBranchOfficeTimer()
{
    tmrOpenBranchOffice->stop();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto protectedEnd = [this] {
        // Back to the default arrow, whatever was set before the open.
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        ProcessMessages();
    };
    try {
        FDateWarning = true;
        ProcessMessages();
        // A "Beenden" already queued may have closed the window and freed the data module
        // while the messages were processed; there is nothing left to open then.
        if (MainDM && isVisible()) {
            auto tell = [](win::MsgKind kind, const QString& text, const QString& details = {}) {
                win::MessageDlg(text, kind, win::MsgButtons::Ok, win::MsgResult::Ok, details);
            };
            switch (MainDM->OpenBranchOffice()) {
            case data::ooReady:
                FEditMode = 1;
                ShowGeneralVatRates();
                FDateWarning = false;
                break;
            case data::ooReadyBeforeChangeDate:
                tell(win::MsgKind::Warning,
                     QStringLiteral("Die Änderungen dürfen erst nach dem 31.12.2023 durchgeführt werden, "
                                    "da diese sofort wirksam werden!"));
                FEditMode = 1;
                ShowGeneralVatRates();
                break;
            case data::ooNotOpened:
                tell(win::MsgKind::Error, QStringLiteral("Datenbank konnte nicht geöffnet werden."),
                     OpenFailureDetails(MainDM->ConnectAttempts(), MainDM->OpenFailure()));
                close();
                break;
            case data::ooNoConfiguration:
                tell(win::MsgKind::Information,
                     QStringLiteral("Konfigurationsdatei nicht gefunden.\r\nBitte kopieren Sie das "
                                    "Programm in das KOVANTEL Verzeichnis!"));
                close();
                break;
            case data::ooVersionTooOld:
                tell(win::MsgKind::Error,
                     QStringLiteral("Datenbankversion ist nierdriger als Version 6.\r\nWenden sie an den "
                                    "Hersteller!"));
                close();
                break;
            default:
                break;
            }
        }
    } catch (...) {
        protectedEnd();
        throw;
    }
    protectedEnd();
}

void TMainFrm::btnCloseClick()
{
    if (FDateWarning) {
        close();
        return;
    }
    bool pending = false;
    switch (pgcVatRates->currentIndex()) {
    case 0:
        pending = actSetGeneralVatRates->isEnabled();
        break;
    case 1:
        pending = actSetArticlesVatRates->isEnabled();
        break;
    default:
        break;
    }
    if (pending &&
        win::MessageDlg(QStringLiteral("Es liegen Änderungen vor.\r\nSollen diese verworfen werden?"),
                        win::MsgKind::Confirmation, win::MsgButtons::YesNo,
                        win::MsgResult::Yes) == win::MsgResult::No)
        return;
    close();
}

void TMainFrm::pgcVatRatesCanChange(int fromPage, int toPage, bool& allowChange)
{
    if (FEditMode < 1) {
        allowChange = false;
        return;
    }
    if (fromPage == 0 && actSetGeneralVatRates->isEnabled())
        allowChange = SaveGeneralChanges();
    if (fromPage == 1) {
        if (actSetArticlesVatRates->isEnabled())
            allowChange = SaveArticleChanges();
        if (allowChange)
            MainDM->CloseArticleData();
    }
    if (!allowChange)
        return;
    if (toPage == 0)
        ShowGeneralVatRates();
    if (toPage == 1) {
        MainDM->OpenArticleData();
        FillArticleGrids();
    }
}

int RunApplication(int argc, char** argv)
{
    win::Application application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    QApplication::setFont(WindowFont());

    TMainFrm* window = new TMainFrm;
    MainFrm = window;
    window->show();
    const int rc = QApplication::exec();
    delete window;
    return rc;
}

} // namespace app
