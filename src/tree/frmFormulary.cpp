#include "tree/frmFormulary.h"

#include "core/mdlFormulary.h"
#include "platform/ui/error_report.h"
#include "platform/ui/keyed_tree.h"
#include "platform/ui/panel_status_bar.h"
#include "platform/ui/twips.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>

frmFormulary::frmFormulary(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmFormulary"));
    setWindowTitle(QStringLiteral("Tarnvel - Formulary"));
    createMenus();
    createStatusBar();
    treFormulary = new ui::KeyedTree(this);
    treFormulary->setObjectName(QStringLiteral("treFormulary"));
    setCentralWidget(treFormulary);
    // The design size is the client area; the menu bar lies outside it.
    resize(ui::twipsToPixels(QSize(11880, 7935), this) + QSize(0, menuBar()->sizeHint().height()));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.center() - rect().center());
}

void frmFormulary::createMenus() {
    mnuPopup = menuBar()->addMenu(QStringLiteral("&Formulary"));
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    mnuSep3 = mnuPopup->addSeparator();
    mnuSep3->setObjectName(QStringLiteral("mnuSep3"));
    mnuExit = mnuPopup->addAction(QStringLiteral("E&xit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(mnuExit, &QAction::triggered, this, ui::command([this] { mnuExit_Click(); }));
}

void frmFormulary::createStatusBar() {
    staFormulary = new ui::PanelStatusBar(this);
    staFormulary->setObjectName(QStringLiteral("staFormulary"));
    staFormulary->addPanel(QStringLiteral("staFormularyMessage"), true);
    staFormulary->addPanel(QStringLiteral("staFormularyInitial"), false, 900);
    staFormulary->addPanel(QStringLiteral("staFormularyIns"), false, 600)
        .setText(QStringLiteral("INS"));
    staFormulary->addPanel(QStringLiteral("staFormularyCaps"), false, 600)
        .setText(QStringLiteral("CAPS"));
    staFormulary->addPanel(QStringLiteral("staFormularyNum"), false, 600)
        .setText(QStringLiteral("NUM"));
    setStatusBar(staFormulary);
}

void frmFormulary::Form_Load() {
    readHospital();
    staFormulary->Panels(2).setText(mdlFormulary.objCurrentUser->Initial());
}

// The hospital's record, first row only; empty texts when there is none.
void frmFormulary::readHospital() {
    db::Recordset rs = mdlFormulary.objCurrentUser->sqlconnection().query(
        QStringLiteral("select clientname,company,address1 from patient_data.tbHospitalInfo"));
    const bool found = !rs.eof();
    mdlFormulary.strCompany = found ? rs.text(QStringLiteral("company")) : QString();
    mdlFormulary.strAddress1 = found ? rs.text(QStringLiteral("address1")) : QString();
}

void frmFormulary::mnuExit_Click() {
    close();
}

void frmFormulary::closeEvent(QCloseEvent* event) {
    ui::runCommand([this] { Form_Unload(); });
    event->accept();
}

void frmFormulary::Form_Unload() {
    mdlFormulary.releaseComponents();
}
