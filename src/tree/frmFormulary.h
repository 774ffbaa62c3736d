#pragma once

#include <QMainWindow>

class QAction;
class QMenu;

namespace ui {
class PanelStatusBar;
}

// The main window: the formulary tree and its commands. Closing it ends the run.
class frmFormulary : public QMainWindow {
    Q_OBJECT
public:
    explicit frmFormulary(QWidget* parent = nullptr);

    // The load: hospital details and the user's initials.
    void Form_Load();

    ui::PanelStatusBar* staFormulary = nullptr;
    QMenu* mnuPopup = nullptr;
    QAction* mnuSep3 = nullptr;
    QAction* mnuExit = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    void createStatusBar();
    void readHospital();
    void mnuExit_Click();
    void Form_Unload();
};
