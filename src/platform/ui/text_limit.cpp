#include "platform/ui/text_limit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QValidator>

namespace ui {

namespace {

class AcceptedText : public QValidator {
public:
    AcceptedText(TextAccepted accepts, QObject* parent)
        : QValidator(parent), m_accepts(std::move(accepts)) {}

    State validate(QString& text, int&) const override {
        return m_accepts(text) ? Acceptable : Invalid;
    }

private:
    TextAccepted m_accepts;
};

} // namespace

void limitText(QLineEdit& box, TextAccepted accepts) {
    box.setValidator(new AcceptedText(std::move(accepts), &box));
}

// A plain text box has no validator: a change it should not take is undone.
void limitText(QPlainTextEdit& box, TextAccepted accepts) {
    auto accepted = std::make_shared<QString>(box.toPlainText());
    QObject::connect(&box, &QPlainTextEdit::textChanged, &box,
                     [&box, accepts = std::move(accepts), accepted] {
                         const QString text = box.toPlainText();
                         if (accepts(text)) {
                             *accepted = text;
                             return;
                         }
                         const int position = box.textCursor().position();
                         const QSignalBlocker quiet(box);
                         box.setPlainText(*accepted);
                         QTextCursor cursor = box.textCursor();
                         cursor.setPosition(std::min(position, int(accepted->size())));
                         box.setTextCursor(cursor);
                     });
}

} // namespace ui
