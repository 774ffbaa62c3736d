#pragma once

#include <QObject>

class QLabel;

// Keeps the INS, CAPS and NUM panels of a status bar in step with the
// keyboard: Insert toggles with each press of the key while the program has
// the keyboard; the lock keys are read from the platform at every key and
// when the program becomes active, and left blank where it cannot tell.
// A panel shows its name in full when on and greyed when off.
class KeyboardIndicators : public QObject {
    Q_OBJECT
public:
    KeyboardIndicators(QLabel& ins, QLabel& caps, QLabel& num, QObject* parent);
    ~KeyboardIndicators() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    QLabel& m_ins;
    QLabel& m_caps;
    QLabel& m_num;
    bool m_insert = false;
};
