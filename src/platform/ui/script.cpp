#include "platform/ui/script.h"

#include <QDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QPrinter>

namespace ui {

namespace {

Script* s_current = nullptr;

void stopRun(const QString& what) {
    qFatal("Unscripted %s in a test: script it with ui::Script", qPrintable(what));
}

Script::UnscriptedHandler& defaultUnscripted() {
    static Script::UnscriptedHandler handler;
    return handler;
}

template <typename T> std::optional<T> takeFront(std::deque<T>& queue) {
    if (queue.empty())
        return std::nullopt;
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}

// The action a user could reach in the menu: enabled and visible, in
// submenus whose own entries are enabled and visible.
QAction* reachableAction(const QMenu& menu, const QString& name) {
    for (QAction* action : menu.actions()) {
        if (!action->isEnabled() || !action->isVisible())
            continue;
        if (action->objectName() == name)
            return action;
        if (action->menu())
            if (QAction* found = reachableAction(*action->menu(), name))
                return found;
    }
    return nullptr;
}

} // namespace

Script::Script() : m_unscripted(defaultUnscripted() ? defaultUnscripted() : stopRun) {
    Q_ASSERT(!s_current);
    s_current = this;
}

Script::~Script() {
    s_current = nullptr;
}

Script* Script::current() {
    return s_current;
}

Script* Script::active(const char* what) {
    if (!s_current && QGuiApplication::platformName() == QLatin1String("offscreen"))
        qFatal("A %s was shown in a headless run without a ui::Script", what);
    return s_current;
}

void Script::answerNext(Answer answer) {
    m_answers.push_back([answer](const MessageShown&) { return answer; });
}

void Script::answerNext(MessageAnswer answer) {
    m_answers.push_back(std::move(answer));
}

void Script::onModal(const QString& window, ModalHandler handler) {
    m_modalHandlers[window].push_back(std::move(handler));
}

void Script::chooseNext(const QString& actionName) {
    m_menuChoosers.push_back([actionName](QMenu& menu) -> QAction* {
        return actionName.isEmpty() ? nullptr : reachableAction(menu, actionName);
    });
}

void Script::chooseNext(MenuChooser chooser) {
    m_menuChoosers.push_back(std::move(chooser));
}

void Script::setNextFileName(const QString& fileName) {
    m_fileNames.push_back(fileName);
}

void Script::acceptNextPrintDialog(const QString& pdfFile) {
    m_printAnswers.push_back(pdfFile);
}

void Script::cancelNextPrintDialog() {
    m_printAnswers.push_back({});
}

void Script::setUnscriptedHandler(UnscriptedHandler handler) {
    m_unscripted = std::move(handler);
}

void Script::setDefaultUnscriptedHandler(UnscriptedHandler handler) {
    defaultUnscripted() = std::move(handler);
}

Answer Script::answerMessage(MessageShown shown) {
    if (auto answer = takeFront(m_answers)) {
        shown.answer = (*answer)(shown);
    } else {
        shown.answer = MessageBox::escapeAnswer(shown.buttons);
        m_unscripted(QStringLiteral("message box \"%1\"").arg(shown.text));
    }
    m_messages.push_back(shown);
    return shown.answer;
}

std::optional<Script::ModalHandler> Script::takeModalHandler(const QDialog& dialog) {
    for (const QString& name :
         {dialog.objectName(), QString::fromLatin1(dialog.metaObject()->className())}) {
        auto found = m_modalHandlers.find(name);
        if (found != m_modalHandlers.end())
            if (auto handler = takeFront(*found))
                return handler;
    }
    return std::nullopt;
}

int Script::runModal(QDialog& dialog) {
    const QString name = dialog.objectName().isEmpty()
                             ? QString::fromLatin1(dialog.metaObject()->className())
                             : dialog.objectName();
    m_modalsShown.append(name);
    dialog.setResult(0);
    dialog.show();
    if (auto handler = takeModalHandler(dialog))
        (*handler)(dialog);
    else
        m_unscripted(QStringLiteral("modal window %1").arg(name));
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result();
}

QAction* Script::choose(QMenu& menu) {
    m_popupsShown.append(menu.objectName());
    auto chooser = takeFront(m_menuChoosers);
    if (!chooser) {
        m_unscripted(QStringLiteral("pop-up menu %1").arg(menu.objectName()));
        return nullptr;
    }
    QAction* action = (*chooser)(menu);
    if (action && (!action->isEnabled() || !action->isVisible()))
        action = nullptr;
    if (action)
        action->trigger();
    return action;
}

QString Script::fileName(const FileDialogShown& shown) {
    m_fileDialogs.push_back(shown);
    if (auto name = takeFront(m_fileNames))
        return *name;
    m_unscripted(QStringLiteral("file dialog \"%1\"").arg(shown.caption));
    return {};
}

bool Script::print(QPrinter& printer) {
    ++m_printDialogsShown;
    auto answer = takeFront(m_printAnswers);
    if (!answer) {
        m_unscripted(QStringLiteral("print dialog"));
        return false;
    }
    if (answer->isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(*answer);
    return true;
}

} // namespace ui
