#pragma once

#include "core/logged_in_run.h"
#include "support/formulary_fixture.h"

#include <QObject>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QTreeWidgetItem;
class frmFormulary;

namespace test_support {

// A logged-in run of the main window over the small formulary:
//   _1 Anti-infective medicines > _1.1 Antibacterials > _1.1.1 Amoxicillin >
//   _1.1.1.1, _1.1.1.2 (drugs); _1.2 Ceftriaxone (a generic name, no drugs);
//   _2 Medicines for pain > _2.1 Paracetamol > _2.1.1, _2.1.2 (drugs).
// The pharmacist holds all four rights.
class MainWindowTest : public LoggedInRunTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Stores the user's four rights, all granted or all refused.
    void setRights(const QString& userName, bool granted);
    // Logs the user in and opens the main window.
    frmFormulary& open(const QString& userName = QStringLiteral("pharmacist"));
    frmFormulary& window();

    QTreeWidgetItem* node(const QString& key);
    QStringList childKeys(const QString& key);
    // Mouse presses on the node's label, as the user makes them.
    void click(const QString& key);
    void rightClick(const QString& key, const QString& choose = {});
    void rightClick(const QString& key, ui::Script::MenuChooser chooser);
    void pressRight(const QString& key);
    // Runs what the program and Qt queued for the event loop.
    static void settle();

    // A classification stored through the component; its key.
    QString addClassification(const QString& parentKey, const QString& name);
    // The name of the classification the server holds under the key; empty when none.
    QString storedName(const QString& key);

    std::unique_ptr<FormularyFixture> fixture;
};

// The enabled states of the command items as a table row, one character an
// item: "+" on, "-" off, "x" when a menu item and its toolbar counterpart
// differ. Columns: mnuNew, toolbar 1, Classification (menu and entry 1),
// Generic (entry 2), Drug (entry 3), mnuOther, Delete (menu and button 3),
// Rename (menu and button 4).
std::string commandStates(frmFormulary& window);
void setAllCommands(frmFormulary& window, bool enabled);
// The expected row with "=" (kept) replaced by the state before.
std::string expectedStates(std::string row, char before);

// Triggers a menu item the way a user reaches it: only when it and every menu
// above it are enabled and visible. False when it could not be reached.
bool chooseFromMenus(QAction& item);

// Records the progress windows shown: title, maximum and the bar's last value.
class ProgressWatch : public QObject {
public:
    struct Shown {
        QString title;
        int maximum = 0;
        int firstValue = -1;
        int lastValue = -1;
    };

    ProgressWatch();
    ~ProgressWatch() override;
    const std::vector<Shown>& shown() const { return m_shown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<Shown> m_shown;
};

} // namespace test_support
