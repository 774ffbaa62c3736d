#include "core/logged_in_run.h"
#include "core/mdlFormulary.h"
#include "database/procedures.h"
#include "database/session.h"
#include "find/find_entry.h"
#include "find/frmFind.h"
#include "platform/ui/keyed_tree.h"
#include "platform/ui/panel_status_bar.h"
#include "support/formulary_fixture.h"
#include "tree/frmFormulary.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <thread>

using test_support::FormularyFixture;
using test_support::LoggedInRunTest;

namespace {

const QString NoHit = QStringLiteral("Search string not existing!");

frmFind& finder(QDialog& dialog) {
    return dynamic_cast<frmFind&>(dialog);
}

// The list's lines as shown: one "entry | parent | key" text a line.
QStringList lines(const frmFind& form) {
    const QAbstractItemModel& model = *form.lvFind->model();
    QStringList shown;
    for (int row = 0; row < model.rowCount(); ++row)
        shown << model.index(row, 0).data().toString() + QStringLiteral(" | ") +
                     model.index(row, 1).data().toString() + QStringLiteral(" | ") +
                     model.index(row, 2).data().toString();
    return shown;
}

void search(frmFind& form, const QString& typed) {
    form.txtFind->clear();
    QTest::keyClicks(form.txtFind, typed);
    QTest::keyClick(form.txtFind, Qt::Key_Return);
}

void selectLine(frmFind& form, int row) {
    form.lvFind->setCurrentIndex(form.lvFind->model()->index(row, 0));
}

class FindTest : public LoggedInRunTest {
protected:
    void SetUp() override {
        LoggedInRunTest::SetUp();
        fixture = std::make_unique<FormularyFixture>(database->target());
    }

    frmFormulary& logIn() {
        Main();
        return *mdlFormulary.objMainWindow;
    }

    QStringList pathOf(db::Connection& connection) { return database::TracedPath(connection); }

    std::unique_ptr<FormularyFixture> fixture;
};

} // namespace

TEST_P(FindTest, TypedKeysSearchAndAMissLeavesTheHits) {
    frmFormulary& window = logIn();
    bool freshAtOpening = false;
    QString typed;
    QStringList hits, afterMiss;
    bool goAfterMiss = false;
    script.onModal(QStringLiteral("frmFind"), [&](QDialog& d) {
        frmFind& form = finder(d);
        freshAtOpening = form.windowTitle() == QStringLiteral("Find Entry") &&
                         form.txtFind->text().isEmpty() && !form.cmdFind->isEnabled() &&
                         !form.cmdGo->isEnabled() && form.cmdClose->isEnabled() &&
                         form.lvFind->model()->rowCount() == 0 && form.lvFind->isColumnHidden(2) &&
                         form.lvFind->columnWidth(0) == form.lvFind->viewport()->width() / 2 &&
                         form.lvFind->columnWidth(1) == form.lvFind->columnWidth(0);
        QTest::keyClicks(form.txtFind, QStringLiteral("amox"));
        typed = form.txtFind->text();
        QTest::keyClick(form.txtFind, Qt::Key_Return);
        hits = lines(form);
        search(form, QStringLiteral("zzz"));
        afterMiss = lines(form);
        goAfterMiss = form.cmdGo->isEnabled();
        form.cmdClose->click();
    });
    script.answerNext(ui::Answer::OK);

    mnuFindEntry_Click(window);

    EXPECT_TRUE(freshAtOpening);
    EXPECT_EQ(typed, QStringLiteral("AMOX"));
    EXPECT_EQ(hits,
              (QStringList{
                  QStringLiteral("Amoxicillin | Antibacterials | _1.1.1"),
                  QStringLiteral("Amoxicillin 250 mg/5 mL suspension | Amoxicillin | _1.1.1.2"),
                  QStringLiteral("Amoxicillin 500 mg capsule | Amoxicillin | _1.1.1.1"),
              }));
    ASSERT_EQ(script.messages().size(), 1u);
    EXPECT_EQ(script.messages()[0].text, NoHit);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("MESSAGE"));
    EXPECT_EQ(script.messages()[0].icon, ui::Icon::Information);
    EXPECT_EQ(afterMiss, hits);
    EXPECT_TRUE(goAfterMiss);
    EXPECT_EQ(window.staFormulary->Panels(1).text(),
              QStringLiteral("Select entry from list then click GO TO TREEVIEW."));
    EXPECT_TRUE(mdlFormulary.FindInProgress);
}

TEST_P(FindTest, PastedTextIsSentAsItIsWithoutItsBlanks) {
    frmFormulary& window = logIn();
    QStringList pasted;
    bool blanksEnableFind = false;
    script.onModal(QStringLiteral("frmFind"), [&](QDialog& d) {
        frmFind& form = finder(d);
        form.txtFind->insert(QStringLiteral("  parac "));
        EXPECT_EQ(form.txtFind->text(), QStringLiteral("  parac "));
        QTest::keyClick(form.txtFind, Qt::Key_Return);
        pasted = lines(form);
        form.txtFind->setText(QStringLiteral("   "));
        blanksEnableFind = form.cmdFind->isEnabled();
        form.cmdFind->click();
        // Enter in an empty box is no search.
        form.txtFind->clear();
        QTest::keyClick(form.txtFind, Qt::Key_Return);
    });
    script.answerNext(ui::Answer::OK);

    mnuFindEntry_Click(window);

    EXPECT_EQ(pasted.size(), 3);
    EXPECT_TRUE(blanksEnableFind);
    ASSERT_EQ(script.messages().size(), 1u);
    EXPECT_EQ(script.messages()[0].text, NoHit);
}

TEST_P(FindTest, ColumnHeadersSortTheListAndASearchSortsByEntry) {
    frmFormulary& window = logIn();
    QStringList byParent, afterSearch;
    script.onModal(QStringLiteral("frmFind"), [&](QDialog& d) {
        frmFind& form = finder(d);
        search(form, QStringLiteral("para"));
        QHeaderView& header = *form.lvFind->header();
        const QPoint parent(header.sectionViewportPosition(1) + header.sectionSize(1) / 2,
                            header.height() / 2);
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, parent);
        byParent = lines(form);
        search(form, QStringLiteral("para"));
        afterSearch = lines(form);
    });

    mnuFindEntry_Click(window);

    EXPECT_EQ(
        byParent,
        (QStringList{
            QStringLiteral("Paracetamol | Medicines for pain | _2.1"),
            QStringLiteral("Children's Paracetamol 120 mg/5 mL suspension | Paracetamol | _2.1.2"),
            QStringLiteral("Paracetamol 500 mg tablet | Paracetamol | _2.1.1"),
        }));
    EXPECT_EQ(
        afterSearch,
        (QStringList{
            QStringLiteral("Children's Paracetamol 120 mg/5 mL suspension | Paracetamol | _2.1.2"),
            QStringLiteral("Paracetamol | Medicines for pain | _2.1"),
            QStringLiteral("Paracetamol 500 mg tablet | Paracetamol | _2.1.1"),
        }));
}

TEST_P(FindTest, EnterAndDoubleClickInAnEmptyListDoNothing) {
    frmFormulary& window = logIn();
    bool stillOpen = false;
    script.onModal(QStringLiteral("frmFind"), [&](QDialog& d) {
        frmFind& form = finder(d);
        QTest::keyClick(form.lvFind, Qt::Key_Return);
        QTest::mouseDClick(form.lvFind->viewport(), Qt::LeftButton);
        stillOpen = form.isVisible();
    });

    mnuFindEntry_Click(window);

    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(pathOf(mdlFormulary.objCurrentUser->sqlconnection()).isEmpty());
    EXPECT_TRUE(script.messages().empty());
}

TEST_P(FindTest, GoTracesTheChosenLineForThisSessionOnly) {
    frmFormulary& window = logIn();
    // Another workstation traced its own entry before.
    auto other = database->connect();
    database::beginSession(*other, QStringLiteral("E-other"));
    database::For_TraceParent(*other, QStringLiteral("_1.2"));
    using Go = std::function<void(frmFind&)>;
    const std::vector<std::pair<const char*, Go>> routes{
        {"button", [](frmFind& f) { f.cmdGo->click(); }},
        {"Enter", [](frmFind& f) { QTest::keyClick(f.lvFind, Qt::Key_Return); }},
        {"double click",
         [](frmFind& f) {
             const QRect line = f.lvFind->visualRect(f.lvFind->currentIndex());
             QTest::mouseDClick(f.lvFind->viewport(), Qt::LeftButton, {}, line.center());
         }},
    };
    for (const auto& [route, go] : routes) {
        SCOPED_TRACE(route);
        bool closed = false;
        script.onModal(QStringLiteral("frmFind"), [&, go = go](QDialog& d) {
            frmFind& form = finder(d);
            search(form, QStringLiteral("para"));
            selectLine(form, 2); // Paracetamol 500 mg tablet
            go(form);
            closed = !form.isVisible();
        });

        mnuFindEntry_Click(window);

        EXPECT_TRUE(closed);
        EXPECT_EQ(
            pathOf(mdlFormulary.objCurrentUser->sqlconnection()),
            (QStringList{QStringLiteral("_2"), QStringLiteral("_2.1"), QStringLiteral("_2.1.1")}));
    }
    EXPECT_EQ(pathOf(*other), (QStringList{QStringLiteral("_1"), QStringLiteral("_1.2")}));
}

// Two workstations search and trace at the same moment, many times over;
// each always reads back its own path.
TEST_P(FindTest, TwoWorkstationsTraceAtOnceWithoutSeeingEachOthersPath) {
    struct Workstation {
        QString key;
        QString entry;
        QStringList path;
        int wrongPaths = 0;
        QString failure;
    };
    std::vector<Workstation> workstations{
        {QStringLiteral("amox"),
         QStringLiteral("_1.1.1.2"),
         {QStringLiteral("_1"), QStringLiteral("_1.1"), QStringLiteral("_1.1.1"),
          QStringLiteral("_1.1.1.2")},
         0,
         {}},
        {QStringLiteral("tablet"),
         QStringLiteral("_2.1.1"),
         {QStringLiteral("_2"), QStringLiteral("_2.1"), QStringLiteral("_2.1.1")},
         0,
         {}},
    };
    const QString target = database->target();
    std::vector<std::thread> threads;
    for (Workstation& w : workstations) {
        threads.emplace_back([&w, target] {
            try {
                db::Connection c(db::Target::parse(target));
                c.open();
                database::beginSession(c, QStringLiteral("E-") + w.key);
                for (int round = 0; round < 40; ++round) {
                    db::Recordset hits = database::For_SearchNodeList(c, w.key);
                    while (!hits.eof() && hits.text(QStringLiteral("Node_Key")) != w.entry)
                        hits.moveNext();
                    database::For_TraceParent(
                        c, hits.eof() ? QString() : hits.text(QStringLiteral("Node_Key")));
                    if (database::TracedPath(c) != w.path)
                        ++w.wrongPaths;
                }
                database::endSession(c);
            } catch (const std::exception& e) {
                w.failure = QString::fromUtf8(e.what());
            }
        });
    }
    for (std::thread& t : threads)
        t.join();

    for (const Workstation& w : workstations) {
        SCOPED_TRACE(w.key.toStdString());
        EXPECT_TRUE(w.failure.isEmpty()) << w.failure.toStdString();
        EXPECT_EQ(w.wrongPaths, 0);
    }
}

FORMULARY_ENGINE_TESTS(FindTest);
