#include "platform/app_error.h"
#include "platform/db/db_error.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "platform/ui/message_box.h"
#include "platform/ui/panel_status_bar.h"
#include "platform/ui/script.h"
#include "platform/ui/twips.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace ui;

namespace {

// Collects unscripted calls instead of stopping the run.
struct RecordingScript : Script {
    QStringList unscripted;
    RecordingScript() {
        setUnscriptedHandler([this](const QString& what) { unscripted.append(what); });
    }
};

// A small modal window with a name field and OK / Cancel.
class NameDialog : public QDialog {
public:
    NameDialog() {
        setObjectName(QStringLiteral("frmName"));
        txtName = new QLineEdit(this);
        txtName->setObjectName(QStringLiteral("txtName"));
        cmdOK = new QPushButton(QStringLiteral("OK"), this);
        cmdOK->setObjectName(QStringLiteral("cmdOK"));
        connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    }
    QLineEdit* txtName;
    QPushButton* cmdOK;
};

} // namespace

TEST(MessageBoxTest, AnswersInOrderAndRecordsEveryBox) {
    RecordingScript script;
    script.answerNext(Answer::No);
    script.answerNext(Answer::OK);

    EXPECT_EQ(MessageBox::show(QStringLiteral("Delete it?"), QStringLiteral("MESSAGE"),
                               Buttons::YesNo, Icon::Question),
              Answer::No);
    EXPECT_EQ(MessageBox::show(QStringLiteral("Done.")), Answer::OK);

    ASSERT_EQ(script.messages().size(), 2u);
    const MessageShown& first = script.messages()[0];
    EXPECT_EQ(first.text, QStringLiteral("Delete it?"));
    EXPECT_EQ(first.title, QStringLiteral("MESSAGE"));
    EXPECT_EQ(first.buttons, Buttons::YesNo);
    EXPECT_EQ(first.icon, Icon::Question);
    EXPECT_EQ(first.answer, Answer::No);
    // A box without a title of its own shows the application title.
    EXPECT_EQ(script.messages()[1].title, ui::MessageBox::applicationTitle());
    EXPECT_EQ(script.messages()[1].icon, Icon::None);
    EXPECT_TRUE(script.unscripted.isEmpty());
}

TEST(MessageBoxTest, UnscriptedBoxIsReportedAndDeclined) {
    struct Case {
        Buttons buttons;
        Answer declined;
    };
    for (const Case& c :
         {Case{Buttons::OK, Answer::OK}, Case{Buttons::OKCancel, Answer::Cancel},
          Case{Buttons::YesNo, Answer::No}, Case{Buttons::YesNoCancel, Answer::Cancel}}) {
        RecordingScript script;
        EXPECT_EQ(MessageBox::show(QStringLiteral("Sure?"), {}, c.buttons), c.declined);
        ASSERT_EQ(script.unscripted.size(), 1);
        EXPECT_TRUE(script.unscripted[0].contains(QStringLiteral("Sure?")));
        ASSERT_EQ(script.messages().size(), 1u);
        EXPECT_EQ(script.messages()[0].answer, c.declined);
    }
}

TEST(MessageBoxTest, UnscriptedBoxStopsTheRunByDefault) {
    EXPECT_DEATH(
        {
            Script::setDefaultUnscriptedHandler({});
            Script script;
            MessageBox::show(QStringLiteral("Nobody answers this"));
        },
        "Unscripted message box \"Nobody answers this\"");
}

// In the test executables a call nobody scripted fails the test that made it
// and is declined, so that the executable's other tests still run.
TEST(UnscriptedTest, FailsTheTestAndIsDeclined) {
    Script script;
    Answer answer = Answer::Yes;
    EXPECT_NONFATAL_FAILURE(
        answer = MessageBox::show(QStringLiteral("Delete it?"), {}, Buttons::YesNoCancel),
        "Unscripted message box \"Delete it?\"");
    EXPECT_EQ(answer, Answer::Cancel);
    EXPECT_NONFATAL_FAILURE(answer =
                                MessageBox::show(QStringLiteral("Keep it?"), {}, Buttons::YesNo),
                            "Unscripted message box \"Keep it?\"");
    EXPECT_EQ(answer, Answer::No);

    NameDialog dialog;
    int result = QDialog::Accepted;
    EXPECT_NONFATAL_FAILURE(result = showModal(dialog), "Unscripted modal window frmName");
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());

    QMenu menu;
    menu.setObjectName(QStringLiteral("mnuPopup"));
    int triggered = 0;
    QObject::connect(menu.addAction(QStringLiteral("&Rename")), &QAction::triggered,
                     [&] { ++triggered; });
    QAction* chosen = menu.actions().value(0);
    EXPECT_NONFATAL_FAILURE(chosen = popupMenu(menu, {10, 10}), "Unscripted pop-up menu mnuPopup");
    EXPECT_EQ(chosen, nullptr);
    EXPECT_EQ(triggered, 0);

    QString file = QStringLiteral("chosen.xlsx");
    EXPECT_NONFATAL_FAILURE(file = saveFileName(nullptr, QStringLiteral("Export"), {}, {}),
                            "Unscripted file dialog \"Export\"");
    EXPECT_TRUE(file.isEmpty());

    QPrinter printer;
    bool accepted = true;
    EXPECT_NONFATAL_FAILURE(accepted = printDialog(printer, nullptr), "Unscripted print dialog");
    EXPECT_FALSE(accepted);
    EXPECT_EQ(script.messages().size(), 2u);
}

TEST(ModalTest, HandlerDrivesTheWindowInsteadOfWaiting) {
    RecordingScript script;
    NameDialog dialog;
    bool visibleInHandler = false;
    script.onModal(QStringLiteral("frmName"), [&](QDialog& shown) {
        visibleInHandler = shown.isVisible();
        auto& window = static_cast<NameDialog&>(shown);
        window.txtName->setText(QStringLiteral("Antibiotics"));
        window.cmdOK->click();
    });

    EXPECT_EQ(showModal(dialog), QDialog::Accepted);
    EXPECT_TRUE(visibleInHandler);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.txtName->text(), QStringLiteral("Antibiotics"));
    EXPECT_EQ(script.modalsShown(), QStringList{QStringLiteral("frmName")});
}

TEST(ModalTest, WindowLeftOpenClosesAsByTheCloseBoxAndHandlersAreUsedOnce) {
    RecordingScript script;
    int runs = 0;
    // Found by class name when no handler is queued under the object name.
    script.onModal(QStringLiteral("QDialog"), [&](QDialog&) { ++runs; });
    QDialog plain;

    EXPECT_EQ(showModal(plain), QDialog::Rejected);
    EXPECT_FALSE(plain.isVisible());
    EXPECT_EQ(showModal(plain), QDialog::Rejected);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(script.unscripted, QStringList{QStringLiteral("modal window QDialog")});
}

TEST(PopupMenuTest, ChosenActionRunsAndUnreachableOnesCannotBeChosen) {
    RecordingScript script;
    QMenu menu;
    menu.setObjectName(QStringLiteral("mnuPopup"));
    QMenu* sub = menu.addMenu(QStringLiteral("&Add/Remove"));
    QAction* add = sub->addAction(QStringLiteral("&Classification"));
    add->setObjectName(QStringLiteral("mnuNewClassification"));
    QAction* rename = menu.addAction(QStringLiteral("&Rename"));
    rename->setObjectName(QStringLiteral("mnuRename"));
    rename->setEnabled(false);
    int added = 0;
    int renamed = 0;
    QObject::connect(add, &QAction::triggered, [&] { ++added; });
    QObject::connect(rename, &QAction::triggered, [&] { ++renamed; });

    script.chooseNext(QStringLiteral("mnuNewClassification"));
    script.chooseNext(QStringLiteral("mnuRename"));
    script.chooseNext([&](QMenu&) { return rename; });
    script.chooseNext(QString());

    EXPECT_EQ(popupMenu(menu, {10, 10}), add);
    EXPECT_EQ(popupMenu(menu, {10, 10}), nullptr);
    EXPECT_EQ(popupMenu(menu, {10, 10}), nullptr);
    EXPECT_EQ(popupMenu(menu, {10, 10}), nullptr);
    EXPECT_EQ(added, 1);
    EXPECT_EQ(renamed, 0);
    EXPECT_EQ(script.popupsShown().size(), 4);

    // Items of a disabled submenu are out of reach too.
    sub->menuAction()->setEnabled(false);
    script.chooseNext(QStringLiteral("mnuNewClassification"));
    EXPECT_EQ(popupMenu(menu, {10, 10}), nullptr);
    EXPECT_EQ(added, 1);
    EXPECT_TRUE(script.unscripted.isEmpty());
}

TEST(FileDialogTest, NextFileNameOrCancelAndRecord) {
    RecordingScript script;
    script.setNextFileName(QStringLiteral("/tmp/report.xlsx"));
    script.setNextFileName(QString());

    EXPECT_EQ(saveFileName(nullptr, QStringLiteral("Export"), QStringLiteral("/tmp"),
                           QStringLiteral("Excel (*.xlsx)")),
              QStringLiteral("/tmp/report.xlsx"));
    EXPECT_EQ(openFileName(nullptr, QStringLiteral("Import"), {}, {}), QString());
    EXPECT_EQ(openFileName(nullptr, QStringLiteral("Again"), {}, {}), QString());

    ASSERT_EQ(script.fileDialogs().size(), 3u);
    EXPECT_EQ(script.fileDialogs()[0].kind, FileDialogShown::Save);
    EXPECT_EQ(script.fileDialogs()[0].filter, QStringLiteral("Excel (*.xlsx)"));
    EXPECT_EQ(script.fileDialogs()[1].kind, FileDialogShown::Open);
    EXPECT_EQ(script.unscripted, QStringList{QStringLiteral("file dialog \"Again\"")});
}

TEST(PrintDialogTest, AcceptedPrintsToTheCallersPrinterCancelledDoesNot) {
    RecordingScript script;
    QTemporaryDir folder;
    const QString pdf = folder.filePath(QStringLiteral("out.pdf"));
    script.acceptNextPrintDialog(pdf);
    script.cancelNextPrintDialog();

    QPrinter printer;
    ASSERT_TRUE(printDialog(printer, nullptr));
    {
        QPainter painter(&printer);
        painter.drawText(100, 100, QStringLiteral("Formulary"));
    }
    EXPECT_TRUE(QFile(pdf).size() > 0);
    QPrinter other;
    EXPECT_FALSE(printDialog(other, nullptr));
    EXPECT_EQ(script.printDialogsShown(), 2);
}

TEST(TwipsTest, ConvertsAtTheGivenDpi) {
    struct Case {
        int twips;
        qreal dpi;
        int pixels;
    };
    for (const Case& c :
         {Case{1440, 96, 96}, Case{4515, 96, 301}, Case{3000, 96, 200}, Case{15, 96, 1},
          Case{0, 96, 0}, Case{-1440, 96, -96}, Case{1440, 144, 144}, Case{11880, 120, 990}}) {
        EXPECT_EQ(twipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
    }
    EXPECT_EQ(pixelsToTwips(96, 96), 1440);
    EXPECT_EQ(pixelsToTwips(1, 96), 15);
    EXPECT_EQ(pixelsToTwips(3, 144), 30);
}

TEST(TwipsTest, UsesTheScreensLogicalDpiOnEachAxis) {
    QWidget widget;
    const QScreen* screen = widget.screen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(twipsToPixelsX(4515, &widget), twipsToPixels(4515, screen->logicalDotsPerInchX()));
    EXPECT_EQ(twipsToPixelsY(3000), twipsToPixels(3000, screen->logicalDotsPerInchY()));
    EXPECT_EQ(
        twipsToPixels(QRect(60, 720, 3195, 4875)),
        QRect(twipsToPixelsX(60), twipsToPixelsY(720), twipsToPixelsX(3195), twipsToPixelsY(4875)));
    EXPECT_EQ(pixelsToTwipsX(twipsToPixelsX(1440)), 1440);
}

TEST(PanelStatusBarTest, PanelsAreNumberedFromOne) {
    PanelStatusBar bar;
    bar.setObjectName(QStringLiteral("staFormulary"));
    bar.addPanel(QStringLiteral("message"), true);
    bar.addPanel(QStringLiteral("initials"), false, 900).setText(QStringLiteral("JD"));
    EXPECT_EQ(bar.panelCount(), 2);
    EXPECT_EQ(bar.Panels(1).objectName(), QStringLiteral("message"));
    EXPECT_EQ(bar.Panels(2).text(), QStringLiteral("JD"));
    for (int outside : {0, 3}) {
        try {
            bar.Panels(outside);
            ADD_FAILURE() << "panel " << outside << " exists";
        } catch (const AppError& e) {
            EXPECT_EQ(e.source(), QStringLiteral("staFormulary.Panels"));
        }
    }
}

TEST(ErrorReportTest, EscapingErrorIsReportedAndEndsTheRun) {
    RecordingScript script;
    script.answerNext(Answer::OK);
    bool after = false;
    const bool ran = runCommand([&] {
        throw AppError(3146, QStringLiteral("The server went away."),
                       QStringLiteral("frmFormulary.NodeFound"));
        after = true;
    });

    EXPECT_FALSE(ran);
    EXPECT_FALSE(after);
    ASSERT_EQ(script.messages().size(), 1u);
    const MessageShown& report = script.messages()[0];
    EXPECT_TRUE(report.text.contains(QStringLiteral("3146")));
    EXPECT_TRUE(report.text.contains(QStringLiteral("The server went away.")));
    EXPECT_TRUE(report.text.contains(QStringLiteral("frmFormulary.NodeFound")));
    EXPECT_EQ(report.icon, Icon::Critical);
    EXPECT_EQ(report.buttons, Buttons::OK);
    EXPECT_EQ(report.title, ui::MessageBox::applicationTitle());
    EXPECT_EQ(script.exitCode(), ErrorExitCode);
}

// The layers below the windows name no routine: the first routine of a
// window that the error leaves names itself, and the error keeps its kind.
TEST(ErrorReportTest, AnErrorFromBelowTheWindowsNamesTheFirstRoutineItLeaves) {
    const auto routine = [](const QString& name, const std::function<void()>& body) {
        try {
            body();
        } catch (...) {
            AppError::raiseAgainFrom(name);
        }
    };
    const auto serverGone = [] {
        throw db::DbError(db::DbError::Kind::Connection, AppError::NotConnected,
                          QStringLiteral("The server went away."));
    };
    try {
        routine(QStringLiteral("frmFormulary.Form_Load"),
                [&] { routine(QStringLiteral("frmFormulary.LoadTreeView"), serverGone); });
        FAIL() << "no error";
    } catch (const db::DbError& error) {
        EXPECT_EQ(error.kind(), db::DbError::Kind::Connection);
        EXPECT_EQ(error.source(), QStringLiteral("frmFormulary.LoadTreeView"));
    }
}

// A change the server refused for want of a right was rolled back whole: the
// user is told why and the program goes on.
TEST(ErrorReportTest, ARefusalOfTheServerIsShownAndTheRunGoesOn) {
    RecordingScript script;
    script.answerNext(Answer::OK);
    const bool ran = runCommand([] {
        throw AppError(
            AppError::PermissionDenied,
            QStringLiteral("The user \"jsmith\" has no right to change classifications."));
    });

    EXPECT_FALSE(ran);
    ASSERT_EQ(script.messages().size(), 1u);
    EXPECT_EQ(script.messages()[0].text,
              QStringLiteral("The database server refused this change:\n\nThe user \"jsmith\" has "
                             "no right to change classifications.\n\nNothing was changed."));
    EXPECT_EQ(script.messages()[0].icon, Icon::Exclamation);
    EXPECT_FALSE(script.exitCode().has_value());
}

// An error raised in an event handler that no command wrapper runs reaches
// the application's last net instead of the event loop.
TEST(ErrorReportTest, AnErrorInAnEventHandlerReachesTheReport) {
    class Failing : public QObject {
    public:
        bool event(QEvent* e) override {
            if (e->type() == QEvent::User)
                throw AppError(91, QStringLiteral("Object variable not set"),
                               QStringLiteral("frmView.Form_Load"));
            return QObject::event(e);
        }
    };
    RecordingScript script;
    script.answerNext(Answer::OK);
    Failing receiver;
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&receiver, QEvent::User);
    ASSERT_EQ(script.messages().size(), 1u);
    EXPECT_TRUE(script.messages()[0].text.contains(QStringLiteral("frmView.Form_Load")));
    EXPECT_EQ(script.exitCode(), ErrorExitCode);
}

TEST(ErrorReportTest, CommandSlotsAndOtherExceptionsGoThroughTheReport) {
    RecordingScript script;
    script.answerNext(Answer::OK);
    QAction action;
    int runs = 0;
    QObject::connect(&action, &QAction::triggered, command([&] {
        ++runs;
        throw std::runtime_error("disk full");
    }));

    action.trigger();

    EXPECT_EQ(runs, 1);
    ASSERT_EQ(script.messages().size(), 1u);
    EXPECT_TRUE(script.messages()[0].text.contains(QStringLiteral("disk full")));
    EXPECT_EQ(script.exitCode(), ErrorExitCode);
    EXPECT_TRUE(runCommand([] {}));
}
