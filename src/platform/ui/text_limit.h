#pragma once

#include <functional>

class QLineEdit;
class QPlainTextEdit;

namespace ui {

// Keeps a box's text within what accepts() takes: a keystroke or a paste
// that would break it changes nothing.
using TextAccepted = std::function<bool(const QString&)>;
void limitText(QLineEdit& box, TextAccepted accepts);
void limitText(QPlainTextEdit& box, TextAccepted accepts);

} // namespace ui
