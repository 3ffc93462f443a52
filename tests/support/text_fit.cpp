#include "text_fit.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QStyleOptionTab>
#include <QStyleOptionViewItem>
#include <QTabBar>
#include <QTableView>
#include <QTextDocument>

namespace {

// A text as it is drawn: its owner, the room the owner gives it and the rectangle
// the text needs there (both in the owner's coordinates).
struct DrawnText {
    QWidget* owner = nullptr;
    QString where;
    QString text;
    QRect room;
    QRect needed;
};

QString nameOf(const QWidget* w) {
    return QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
}

// How far right of a caption's text its field may begin.
constexpr int kFieldReach = 160;

bool seen(const QWidget* w) { return w->isVisible() && !w->visibleRegion().isEmpty(); }

// Inside a compound control (a grid, a list, a box with its own buttons): not a control of its own.
bool partOfCompound(const QWidget* w, const QWidget* window) {
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<const QAbstractScrollArea*>(p) && !qobject_cast<const QScrollArea*>(p)) return true;
        else if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractSpinBox*>(p)) return true;
    return false;
}

QRect needed(const QFontMetrics& fm, const QRect& room, int flags, const QString& text) {
    return fm.boundingRect(room, flags, text);
}

std::optional<DrawnText> labelText(QLabel* l) {
    const QString text = l->text();
    if (text.trimmed().isEmpty() || !l->pixmap().isNull()) return std::nullopt;
    QRect room = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
    int indent = l->indent();
    const Qt::Alignment align = QStyle::visualAlignment(l->layoutDirection(), l->alignment());
    if (indent < 0 && l->frameWidth() > 0) indent = l->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
    if (indent > 0) {
        if (align & Qt::AlignLeft) room.setLeft(room.left() + indent);
        if (align & Qt::AlignRight) room.setRight(room.right() - indent);
        if (align & Qt::AlignTop) room.setTop(room.top() + indent);
        if (align & Qt::AlignBottom) room.setBottom(room.bottom() - indent);
    }
    const bool rich = l->textFormat() == Qt::RichText || (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
    DrawnText d{l, nameOf(l), text, room, {}};
    if (rich) {
        QTextDocument doc;
        doc.setDefaultFont(l->font());
        doc.setHtml(text);
        doc.setDocumentMargin(0);
        d.needed = QRect(room.topLeft(), doc.size().toSize());
        return d;
    }
    // A caption that wraps to a second line does not fit either: measured on one line,
    // from its advance and as far as its glyphs reach where the label aligns it (a text
    // centred in a room just as wide as its advance loses its last glyph's edge).
    const int flags = int(align) | Qt::TextShowMnemonic;
    const QFontMetricsF fm(l->font());
    const QRectF box = fm.boundingRect(QRectF(room), flags, text);
    const QRectF ink = fm.tightBoundingRect(text).translated(box.left(), 0);
    d.needed = QRectF(QPointF(std::min(box.left(), ink.left()), box.top()),
                      QPointF(std::max(box.right(), ink.right()), box.bottom())).toAlignedRect();
    return d;
}

std::optional<DrawnText> buttonText(QAbstractButton* b) {
    const QString text = b->text();
    if (text.trimmed().isEmpty()) return std::nullopt;
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = text;
    opt.icon = b->icon();
    opt.iconSize = b->iconSize();
    DrawnText d{b, nameOf(b), text, {}, {}};
    if (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b)) {
        const bool check = qobject_cast<QCheckBox*>(b) != nullptr;
        d.room = b->style()->subElementRect(check ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents,
                                            &opt, b);
        d.needed = needed(b->fontMetrics(), d.room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text);
        return d;
    }
    if (auto* p = qobject_cast<QPushButton*>(b); p && p->isFlat()) opt.features |= QStyleOptionButton::Flat;
    d.room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
    d.needed = needed(b->fontMetrics(), d.room, Qt::AlignCenter | Qt::TextShowMnemonic, text);
    return d;
}

// The chosen item of a list that cannot be typed into.
std::optional<DrawnText> comboText(QComboBox* c) {
    if (c->isEditable() || c->currentText().trimmed().isEmpty()) return std::nullopt;
    QStyleOptionComboBox opt;
    opt.initFrom(c);
    opt.currentText = c->currentText();
    opt.frame = c->hasFrame();
    opt.editable = false;
    opt.subControls = QStyle::SC_All;
    const QRect edit = c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
    const QRect room = edit.adjusted(1, 0, -1, 0);
    return DrawnText{c, nameOf(c), c->currentText(), room,
                     c->fontMetrics().boundingRect(room, Qt::AlignLeft | Qt::AlignVCenter, c->currentText())};
}

QStyleOptionGroupBox groupOption(QGroupBox* g) {
    QStyleOptionGroupBox opt;
    opt.initFrom(g);
    opt.text = g->title();
    opt.lineWidth = 1;
    opt.midLineWidth = 0;
    opt.textAlignment = Qt::Alignment(g->alignment());
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (g->isCheckable()) opt.subControls |= QStyle::SC_GroupBoxCheckBox;
    if (g->isFlat()) opt.features |= QStyleOptionFrame::Flat;
    return opt;
}

std::optional<DrawnText> groupTitle(QGroupBox* g) {
    if (g->title().trimmed().isEmpty()) return std::nullopt;
    const QStyleOptionGroupBox opt = groupOption(g);
    const QRect label = g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
    // The title is drawn in its label rectangle, and the box is all the room it has.
    QRect room = g->rect();
    room.setTop(label.top());
    room.setBottom(label.bottom());
    return DrawnText{g, nameOf(g) + QStringLiteral(" title"), g->title(), room,
                     g->fontMetrics().boundingRect(label, Qt::AlignLeft | Qt::TextShowMnemonic, g->title())};
}

// Grid cells that stay in view as headings: rows above fixedRows, columns left of fixedCols.
void fixedCells(QTableView* view, std::vector<DrawnText>& out) {
    const int fixedRows = view->property("fixedRows").toInt();
    const int fixedCols = view->property("fixedCols").toInt();
    QAbstractItemModel* model = view->model();
    if (!model || (fixedRows <= 0 && fixedCols <= 0)) return;
    const int textMargin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const int gridLine = view->showGrid() ? 1 : 0; // the right and bottom line of each cell
    for (int r = 0; r < model->rowCount(); ++r) {
        if (view->isRowHidden(r) || view->rowHeight(r) <= 2) continue;
        for (int c = 0; c < model->columnCount(); ++c) {
            if (r >= fixedRows && c >= fixedCols) break;
            if (view->isColumnHidden(c) || view->columnWidth(c) <= 2) continue;
            const QModelIndex index = model->index(r, c);
            const QString text = index.data(Qt::DisplayRole).toString();
            if (text.trimmed().isEmpty()) continue;
            // Only the first cell of a merged block draws its text.
            if (view->rowSpan(r, c) > 1 || view->columnSpan(r, c) > 1) {
                const QRect whole = view->visualRect(index);
                if (whole.left() != view->columnViewportPosition(c) || whole.top() != view->rowViewportPosition(r))
                    continue;
            }
            QFont font = view->font();
            if (const QVariant f = index.data(Qt::FontRole); f.isValid()) font = f.value<QFont>();
            const QFontMetrics fm(font);
            QRect cell(view->columnViewportPosition(c), view->rowViewportPosition(r),
                       view->columnWidth(c), view->rowHeight(r));
            if (view->columnSpan(r, c) > 1 || view->rowSpan(r, c) > 1) cell.setSize(view->visualRect(index).size());
            cell.adjust(0, 0, -gridLine, -gridLine);
            const QRect room = cell.adjusted(textMargin, 0, -textMargin, 0);
            const QRect need(room.topLeft(), QSize(fm.horizontalAdvance(text), fm.height()));
            out.push_back({view, nameOf(view) + QStringLiteral(" cell (%1, %2)").arg(r).arg(c), text, room, need});
        }
    }
}

// Each tab's name in the room its tab gives it: a strip too narrow for all its tabs
// scrolls them, it does not shorten their names.
void tabTexts(QTabBar* bar, std::vector<DrawnText>& out) {
    for (int i = 0; i < bar->count(); ++i) {
        const QString text = bar->tabText(i);
        if (text.trimmed().isEmpty() || !bar->isTabVisible(i)) continue;
        QStyleOptionTab opt;
        opt.initFrom(bar);
        opt.rect = bar->tabRect(i);
        opt.text = text;
        opt.shape = bar->shape();
        opt.iconSize = bar->iconSize();
        opt.documentMode = bar->documentMode();
        const QRect room = bar->style()->subElementRect(QStyle::SE_TabBarTabText, &opt, bar);
        out.push_back({bar, nameOf(bar) + QStringLiteral(" tab %1").arg(i), text, room,
                       needed(bar->fontMetrics(), room, Qt::AlignCenter | Qt::TextShowMnemonic, text)});
    }
}

// Where the text is drawn, in the window's coordinates (what can be seen of it).
QRect drawnIn(const DrawnText& d, QWidget* window) {
    const QRect shown = d.needed.intersected(d.room).intersected(d.owner->visibleRegion().boundingRect());
    return QRect(d.owner->mapTo(window, shown.topLeft()), shown.size());
}

bool isAncestor(const QWidget* a, const QWidget* w) {
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (p == a) return true;
    return false;
}

// What another control covers, in the window's coordinates: a label or a frame
// only its text, any other control all of itself.
QRect covers(QWidget* w, QWidget* window) {
    std::optional<DrawnText> text;
    if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->frameShape() == QFrame::NoFrame) {
            text = labelText(l);
            if (!text) return {};
        }
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        text = groupTitle(g);
        if (!text) return {};
    } else if (qobject_cast<QScrollArea*>(w) || qobject_cast<QTabBar*>(w) ||
               QByteArray(w->metaObject()->className()) == "QWidget" ||
               QByteArray(w->metaObject()->className()) == "QStackedWidget" ||
               QByteArray(w->metaObject()->className()) == "QTabWidget") {
        return {};
    } else if (auto* f = qobject_cast<QFrame*>(w); f && !qobject_cast<QAbstractScrollArea*>(w) &&
                                                   f->frameShape() == QFrame::NoFrame &&
                                                   QByteArray(w->metaObject()->className()) == "QFrame") {
        return {};
    }
    if (text) return drawnIn(*text, window);
    const QRect shown = w->visibleRegion().boundingRect();
    return QRect(w->mapTo(window, shown.topLeft()), shown.size());
}

} // namespace

std::string TextFault::describe() const {
    return (control + QStringLiteral(" \"") + text + QStringLiteral("\": ") + fault).toStdString();
}

std::vector<TextFault> textFaults(QWidget* window) {
    std::vector<DrawnText> texts;
    QList<QWidget*> all = window->findChildren<QWidget*>();
    all.prepend(window);
    for (QWidget* w : all) {
        if (!seen(w)) continue;
        std::optional<DrawnText> d;
        if (auto* l = qobject_cast<QLabel*>(w)) d = labelText(l);
        else if (auto* b = qobject_cast<QAbstractButton*>(w); b && !partOfCompound(b, window)) d = buttonText(b);
        else if (auto* g = qobject_cast<QGroupBox*>(w)) d = groupTitle(g);
        else if (auto* c = qobject_cast<QComboBox*>(w)) d = comboText(c);
        else if (auto* t = qobject_cast<QTableView*>(w)) fixedCells(t, texts);
        else if (auto* bar = qobject_cast<QTabBar*>(w)) tabTexts(bar, texts);
        if (d && !partOfCompound(w, window)) texts.push_back(*d);
    }

    std::vector<TextFault> faults;
    for (const DrawnText& d : texts) {
        const int wider = d.needed.width() - d.room.width();
        const int taller = d.needed.height() - d.room.height();
        if (wider > 0 || taller > 0) {
            faults.push_back({d.where, d.text,
                              QStringLiteral("needs %1 x %2 px, has %3 x %4")
                                  .arg(d.needed.width())
                                  .arg(d.needed.height())
                                  .arg(d.room.width())
                                  .arg(d.room.height())});
            continue;
        }
        // Cells lie in their own grid, tabs in their own strip.
        if (qobject_cast<QTableView*>(d.owner) || qobject_cast<QTabBar*>(d.owner)) continue;
        const QRect mine = drawnIn(d, window);
        if (mine.isEmpty()) continue;
        for (QWidget* other : all) {
            if (other == d.owner || other == window || !seen(other) || isAncestor(other, d.owner) ||
                partOfCompound(other, window))
                continue;
            if (isAncestor(d.owner, other) && !qobject_cast<QGroupBox*>(d.owner)) continue;
            const QRect theirs = covers(other, window);
            if (theirs.intersects(mine)) {
                faults.push_back({d.where, d.text, QStringLiteral("under ") + nameOf(other)});
                break;
            }
        }
    }
    return faults;
}

void styleTabsAsShorteningDesktops(QWidget* window) {
    struct ShorteningTabs : QProxyStyle {
        int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                      QStyleHintReturn* data) const override {
            if (hint == SH_TabBar_ElideMode) return Qt::ElideRight;
            if (hint == SH_TabBar_PreferNoArrows) return true;
            return QProxyStyle::styleHint(hint, option, widget, data);
        }
    };
    auto* style = new ShorteningTabs;
    style->setParent(window);
    for (QTabBar* bar : window->findChildren<QTabBar*>()) bar->setStyle(style);
}

std::vector<TextFault> captionsOffTheirFields(QWidget* window) {
    std::vector<TextFault> faults;
    const QList<QWidget*> all = window->findChildren<QWidget*>();
    for (QWidget* w : all) {
        auto* caption = qobject_cast<QLabel*>(w);
        if (!caption || !seen(caption) || caption->frameShape() != QFrame::NoFrame || partOfCompound(caption, window))
            continue;
        const std::optional<DrawnText> text = labelText(caption);
        if (!text) continue;
        const QRect mine = drawnIn(*text, window);
        // Its field: the nearest text box or list to the right on the caption's line.
        QWidget* field = nullptr;
        QRect fieldRect;
        for (QWidget* f : all) {
            if (f->parentWidget() != caption->parentWidget() || !seen(f)) continue;
            if (!qobject_cast<QLineEdit*>(f) && !qobject_cast<QComboBox*>(f) && !qobject_cast<QAbstractSpinBox*>(f))
                continue;
            const QRect r(f->mapTo(window, QPoint(0, 0)), f->size());
            const int gap = r.left() - mine.right();
            if (gap < 0 || gap > kFieldReach || r.top() >= mine.bottom() || r.bottom() <= mine.top()) continue;
            if (!field || r.left() < fieldRect.left()) field = f, fieldRect = r;
        }
        if (!field) continue;
        const int apart = std::abs((fieldRect.top() + fieldRect.bottom()) - (mine.top() + mine.bottom())) / 2;
        if (apart > 2)
            faults.push_back({text->where, text->text, QStringLiteral("%1 px off the middle of ").arg(apart) + nameOf(field)});
    }
    return faults;
}
