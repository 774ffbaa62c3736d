#include "editors/editor_support.h"

#include "core/artwork.h"
#include "core/shared_helpers.h"
#include "platform/db/db_error.h"
#include "platform/ui/error_report.h"
#include "platform/ui/flex_grid.h"
#include "platform/ui/keyed_tree.h"
#include "platform/ui/message_box.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionGroupBox>
#include <QStylePainter>

namespace editors {

QPushButton* button(const QString& caption, const QString& name, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

namespace {

// A frame as wide as its contents need: a caption longer than that (a long
// name in it) is cut short with an ellipsis instead of widening the frame
// and squeezing its neighbours.
class Frame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

    QSize minimumSizeHint() const override {
        return {QWidget::minimumSizeHint().width(), QGroupBox::minimumSizeHint().height()};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        const QRect label =
            style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
        option.text = fontMetrics().elidedText(option.text, Qt::ElideRight,
                                               width() - 2 * label.left(), Qt::TextShowMnemonic);
        painter.drawComplexControl(QStyle::CC_GroupBox, option);
    }
};

} // namespace

QGroupBox* frame(const QString& caption, const QString& name, QWidget* parent) {
    auto* f = new Frame(caption, parent);
    f->setObjectName(name);
    return f;
}

QCheckBox* showWithdrawnBox(QWidget* parent, const std::function<void()>& reload) {
    auto* box = new QCheckBox(QStringLiteral("Show &withdrawn"), parent);
    box->setObjectName(QStringLiteral("chkWithdrawn"));
    QObject::connect(box, &QCheckBox::toggled, parent, ui::command(reload));
    return box;
}

namespace {

// Hands a key press on with its text in upper case, before the box sees it.
class UpperCaseFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString upper = key->text().toUpper();
        if (upper == key->text())
            return false;
        QKeyEvent typed(QEvent::KeyPress, key->key(), key->modifiers(), upper, key->isAutoRepeat(),
                        ushort(key->count()));
        QCoreApplication::sendEvent(watched, &typed);
        return true;
    }
};

class ResizeFilter : public QObject {
public:
    ResizeFilter(QObject* parent, std::function<void()> action)
        : QObject(parent), m_action(std::move(action)) {}

protected:
    // A grid being loaded has its redrawing off and reshapes itself; the
    // load sizes its columns at the end.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize && static_cast<QWidget*>(watched)->updatesEnabled())
            m_action();
        return false;
    }

private:
    std::function<void()> m_action;
};

} // namespace

void upperCaseTyping(QLineEdit& box) {
    box.installEventFilter(new UpperCaseFilter(&box));
}

void toggleTick(ui::FlexGrid& grid) {
    const int column = grid.col();
    grid.setCol(0);
    const int row = grid.row();
    const bool ticked = grid.textMatrix(row, TickColumn) == TickMark;
    grid.setCellPicture(row, 0, ticked ? 2 : 1);
    grid.setTextMatrix(row, TickColumn, ticked ? QString() : TickMark);
    grid.setCol(column);
}

bool processTicksFirst(const ui::FlexGrid& left, const ui::FlexGrid& right) {
    return (HasCheckedRows(right) || HasCheckedRows(left)) &&
           ui::MessageBox::show(
               QStringLiteral("You checked some items. Would you like to process them first."), {},
               ui::Buttons::YesNo, ui::Icon::Information) == ui::Answer::Yes;
}

void setCheckColumn(ui::FlexGrid& grid) {
    grid.setCheckPictures(artwork::tickedBox(), artwork::emptyBox());
    grid.setFixedCols(1);
}

void reportUnchanged(const QString& heading, const QStringList& names) {
    if (names.isEmpty())
        return;
    ui::MessageBox::show(heading + QStringLiteral("\n\n") + names.join(QLatin1Char('\n')), {},
                         ui::Buttons::OK, ui::Icon::Exclamation);
}

bool rowStep(const QString& row, QStringList& unchanged, const std::function<bool()>& step) {
    try {
        return step();
    } catch (const db::DbError& error) {
        if (!error.isRefusal())
            throw;
        unchanged << row;
        return false;
    }
}

void whenResized(QWidget& widget, std::function<void()> action) {
    widget.installEventFilter(new ResizeFilter(&widget, std::move(action)));
}

void removeLoadedNode(ui::KeyedTree& tree, const QString& key) {
    const QString trimmed = key.trimmed();
    if (!trimmed.isEmpty() && tree.node(trimmed))
        tree.removeNode(trimmed);
}

QString captionText(QString name) {
    return name.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace editors
