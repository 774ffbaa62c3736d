#include "tree/keyboard_indicators.h"

#include "tree/lock_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>

namespace {

void show(QLabel& panel, const QString& name, std::optional<bool> on) {
    panel.setText(on ? name : QString());
    panel.setEnabled(on.value_or(false));
}

} // namespace

KeyboardIndicators::KeyboardIndicators(QLabel& ins, QLabel& caps, QLabel& num, QObject* parent)
    : QObject(parent), m_ins(ins), m_caps(caps), m_num(num) {
    qApp->installEventFilter(this);
    refresh();
}

KeyboardIndicators::~KeyboardIndicators() {
    qApp->removeEventFilter(this);
}

bool KeyboardIndicators::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // A key reaches the window first, then the widgets on the way to the
    // focus: look at it once, at the window.
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWindowType()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (type == QEvent::KeyPress && key->key() == Qt::Key_Insert && !key->isAutoRepeat())
            m_insert = !m_insert;
        refresh();
    } else if (type == QEvent::ApplicationStateChange) {
        refresh();
    }
    return false;
}

void KeyboardIndicators::refresh() {
    const std::optional<LockKeys> locks = readLockKeys();
    show(m_ins, QStringLiteral("INS"), m_insert);
    show(m_caps, QStringLiteral("CAPS"), locks ? std::optional(locks->caps) : std::nullopt);
    show(m_num, QStringLiteral("NUM"), locks ? std::optional(locks->num) : std::nullopt);
}
