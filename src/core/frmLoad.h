#pragma once

#include <QFrame>

class QLabel;
class QProgressBar;

// The progress window of a tree load: a title and a bar counting the rows.
// It has no buttons; the user can neither close it nor cancel the load.
class frmLoad : public QFrame {
    Q_OBJECT
public:
    explicit frmLoad(QWidget* parent = nullptr);

    // Shows the window without modality and paints it at once, although the
    // load that follows does not yield to the event loop.
    void showNow();

    QLabel* lblTitle = nullptr;
    QProgressBar* pb = nullptr;
};
