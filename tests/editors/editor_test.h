#pragma once

#include "core/logged_in_run.h"
#include "support/formulary_fixture.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class frmFormulary;
class QTreeWidgetItem;

namespace ui {
class FlexGrid;
}

// A logged-in run on the small formulary of the fixture, whose component
// also stands for another workstation that changes the formulary meanwhile.
class EditorTest : public test_support::LoggedInRunTest {
protected:
    struct Rights {
        bool classification = false;
        bool generic = false;
        bool drug = false;
    };

    void SetUp() override;
    void TearDown() override;

    // Logs the user in with those rights and shows the main window, with the
    // first level of the tree.
    frmFormulary& start(Rights rights, const QString& user = QStringLiteral("pharmacist"));
    // Opens the node in the main tree, as a click on it does.
    void open(const QString& key);
    // Opens every node of the main tree.
    void openAll();
    void select(const QString& key);
    QTreeWidgetItem* node(const QString& key) const;
    // The texts of the node's children in the main tree, in order.
    QStringList childTexts(const QString& key) const;

    // Where the formulary holds the generic name or stock item: its parent's
    // key; empty when it is under nothing.
    QString parentOfGeneric(const QString& name);
    QString parentOfDrug(const QString& itemId);

    // Texts of the oldest messages shown, and forgets them.
    QStringList takeMessages();

    // Who may open an editor, and on which node: each case logs its user in
    // with its rights, prepares the tree, selects the node and runs the
    // opening command. A refused case shows "Not authorized!"; no case here
    // opens a window.
    struct OpeningCase {
        const char* what;
        QString user;
        Rights rights;
        QString selected;
        bool refused;
    };
    void expectNoWindowOpens(const std::vector<OpeningCase>& cases,
                             const std::function<void()>& prepare, void (*command)(frmFormulary&));

    std::unique_ptr<test_support::FormularyFixture> fixture;
    frmFormulary* main = nullptr;

private:
    std::size_t m_messagesTaken = 0;
};

// The texts of a grid column, data rows only.
QStringList column(const ui::FlexGrid& grid, int col);
// The data row whose column holds the text; 0 when none does.
int rowOf(const ui::FlexGrid& grid, int col, const QString& text);
// A mouse click on the cell, as the user makes it.
void clickCell(ui::FlexGrid& grid, int row, int col);
// A click on the tick box of the row whose column holds the text, where the
// boxes show: at the left edge of the rows, on whatever lies there.
void tick(ui::FlexGrid& grid, const QString& text, int col = 1);
// Scrolls the grid sideways as a user does, by a click on the row's cell in
// the far column and by the scroll bar dragged to its end; each time the row
// is ticked and unticked where its box shows.
void expectTickableScrolledSideways(ui::FlexGrid& grid, const QString& text, int farColumn);
// The texts of column 1 of the ticked rows.
QStringList ticked(const ui::FlexGrid& grid);
