#pragma once

#include "platform/ui/message_box.h"

#include <QHash>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QAction;
class QDialog;
class QMenu;
class QPrinter;

namespace ui {

struct FileDialogShown {
    enum Kind { Save, Open };
    Kind kind = Save;
    QString caption;
    QString folder;
    QString filter;
};

// Drives everything that would wait for the user, so that tests run headless:
// while a Script exists, message boxes, modal windows, pop-up menus, file and
// print dialogs take their answers from it and it records what was shown. A
// call the test did not script goes to the unscripted handler, which by
// default stops the run with a message naming the call. One Script at a time.
class Script {
public:
    using MessageAnswer = std::function<Answer(const MessageShown&)>;
    using ModalHandler = std::function<void(QDialog&)>;
    using MenuChooser = std::function<QAction*(QMenu&)>;
    using UnscriptedHandler = std::function<void(const QString& what)>;

    Script();
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    static Script* current();
    // The script that answers a call of the kind named. Without one, a
    // headless run (no user to answer) stops with a message instead of waiting.
    static Script* active(const char* what);

    // Message boxes, answered in the order queued. The function form can look
    // at the box, and at the program's state at that moment, before answering.
    void answerNext(Answer answer);
    void answerNext(MessageAnswer answer);
    const std::vector<MessageShown>& messages() const { return m_messages; }

    // A modal window, found by object name, else by class name, is driven by
    // the next handler queued for it instead of waiting; whatever the handler
    // leaves open is closed as by the close box.
    void onModal(const QString& window, ModalHandler handler);
    const QStringList& modalsShown() const { return m_modalsShown; }

    // Pop-up menus: the next one chooses the action with that object name
    // (searched in submenus too; empty dismisses the menu). A disabled or
    // hidden action cannot be chosen: the menu is dismissed.
    void chooseNext(const QString& actionName);
    void chooseNext(MenuChooser chooser);
    const QStringList& popupsShown() const { return m_popupsShown; }

    // File dialogs: the next one answers this file; an empty name cancels it.
    void setNextFileName(const QString& fileName);
    const std::vector<FileDialogShown>& fileDialogs() const { return m_fileDialogs; }

    // Print dialogs: accepted with the printer writing a PDF file (an empty
    // name cancels), or cancelled.
    void acceptNextPrintDialog(const QString& pdfFile);
    void cancelNextPrintDialog();
    int printDialogsShown() const { return m_printDialogsShown; }

    // The exit code the program asked to end with, if it did.
    std::optional<int> exitCode() const { return m_exitCode; }

    void setUnscriptedHandler(UnscriptedHandler handler);
    // The handler that each new Script starts with; an empty one restores the
    // default, which stops the run.
    static void setDefaultUnscriptedHandler(UnscriptedHandler handler);

    // Called by the services in place of the real dialogs.
    Answer answerMessage(MessageShown shown);
    int runModal(QDialog& dialog);
    QAction* choose(QMenu& menu);
    QString fileName(const FileDialogShown& shown);
    bool print(QPrinter& printer);
    void endProgram(int code) { m_exitCode = code; }

private:
    std::optional<ModalHandler> takeModalHandler(const QDialog& dialog);

    std::deque<MessageAnswer> m_answers;
    std::vector<MessageShown> m_messages;
    QHash<QString, std::deque<ModalHandler>> m_modalHandlers;
    QStringList m_modalsShown;
    std::deque<MenuChooser> m_menuChoosers;
    QStringList m_popupsShown;
    std::deque<QString> m_fileNames;
    std::vector<FileDialogShown> m_fileDialogs;
    std::deque<QString> m_printAnswers; // empty: cancel
    int m_printDialogsShown = 0;
    std::optional<int> m_exitCode;
    UnscriptedHandler m_unscripted;
};

} // namespace ui
