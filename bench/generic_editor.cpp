#include "generic_editor.h"

#include "components/formulary_data/formulary.h"
#include "core/shared_helpers.h"
#include "editors/frmList.h"
#include "platform/ui/flex_grid.h"
#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <stdexcept>

namespace bench {

std::vector<qint64> addUnplacedGenerics(const QString& target, const QString& prefix, int count) {
    formulary_data::Formulary formulary;
    if (!formulary.Connect(target))
        throw std::runtime_error("the formulary component could not connect");
    std::vector<qint64> codes;
    for (int i = 1; i <= count; ++i) {
        qint64 code = 0;
        if (!formulary.Generics.NewGeneric(
                QStringLiteral("%1 %2").arg(prefix).arg(i, 3, 10, QLatin1Char('0')), &code))
            throw std::runtime_error("a generic name could not be added");
        codes.push_back(code);
    }
    return codes;
}

std::unique_ptr<frmList> editorWithTicked(frmFormulary& main, const QString& classificationKey,
                                          qint64 classification, const QString& search,
                                          int ticked) {
    main.treFormulary->setCurrentItem(main.treFormulary->node(classificationKey));
    auto window = std::make_unique<frmList>(&main);
    window->ItemID = classification;
    window->treList = main.treFormulary;
    window->show();
    window->txtSearch1->setText(search);
    ui::FlexGrid& grid = *window->flexMSHList1;
    for (int row = 1; row < grid.rows(); ++row) {
        grid.setRow(row);
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QApplication::sendEvent(&grid, &space);
    }
    int done = 0;
    for (int row = 1; row < grid.rows(); ++row)
        done += grid.textMatrix(row, TickColumn) == TickMark ? 1 : 0;
    if (done != ticked)
        throw std::runtime_error("the generic names to move were not all ticked");
    return window;
}

} // namespace bench
