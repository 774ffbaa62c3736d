#include "platform/ui/message_box.h"

#include "platform/ui/script.h"

#include <QApplication>
#include <QMessageBox>

namespace ui {

namespace {

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QList<Answer> answersOf(Buttons buttons) {
    switch (buttons) {
    case Buttons::OKCancel:
        return {Answer::OK, Answer::Cancel};
    case Buttons::YesNo:
        return {Answer::Yes, Answer::No};
    case Buttons::YesNoCancel:
        return {Answer::Yes, Answer::No, Answer::Cancel};
    case Buttons::OK:
        break;
    }
    return {Answer::OK};
}

QMessageBox::StandardButton qtButton(Answer answer) {
    switch (answer) {
    case Answer::Cancel:
        return QMessageBox::Cancel;
    case Answer::Yes:
        return QMessageBox::Yes;
    case Answer::No:
        return QMessageBox::No;
    case Answer::OK:
        break;
    }
    return QMessageBox::Ok;
}

Answer execBox(const MessageShown& shown) {
    QMessageBox box(qtIcon(shown.icon), shown.title, shown.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    const QList<Answer> answers = answersOf(shown.buttons);
    for (Answer answer : answers)
        box.addButton(qtButton(answer));
    box.setDefaultButton(qtButton(answers.front()));
    box.setEscapeButton(box.button(qtButton(MessageBox::escapeAnswer(shown.buttons))));
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    for (Answer answer : answers)
        if (clicked == box.button(qtButton(answer)))
            return answer;
    return MessageBox::escapeAnswer(shown.buttons);
}

} // namespace

Answer MessageBox::escapeAnswer(Buttons buttons) {
    return answersOf(buttons).back();
}

Answer MessageBox::show(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    MessageShown shown{text, title.isEmpty() ? applicationTitle() : title, buttons, icon};
    if (Script* script = Script::active("message box"))
        return script->answerMessage(shown);
    return execBox(shown);
}

} // namespace ui
