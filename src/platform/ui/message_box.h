#pragma once

#include <QString>

namespace ui {

enum class Buttons { OK, OKCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Question, Exclamation, Critical };
enum class Answer { OK, Cancel, Yes, No };

// One message box as the user saw it, with the answer it got.
struct MessageShown {
    QString text;
    QString title;
    Buttons buttons = Buttons::OK;
    Icon icon = Icon::None;
    Answer answer = Answer::OK;
};

class MessageBox {
public:
    // Shows the message and waits for the answer. An empty title shows the
    // application title. The first button is the default one.
    static Answer show(const QString& text, const QString& title = {},
                       Buttons buttons = Buttons::OK, Icon icon = Icon::None);

    // The title of a box without one of its own. Not Qt's display name, which
    // X11 would append to every window's caption.
    static QString applicationTitle() { return QStringLiteral("Formulary"); }

    // The answer of Escape or the close box: the last button that declines.
    static Answer escapeAnswer(Buttons buttons);
};

} // namespace ui
