#include "textmeasure.h"

#include <cmath>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTextDocument>

#include "widgets/paintedtexts.h"

namespace {

QString Describe(const QWidget* w)
{
    QString name = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty())
        name += "#" + w->objectName();
    // The nearest parent of the program's own classes (pages, bars, dialogs) says where it is.
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        const QString cls = QString::fromLatin1(p->metaObject()->className());
        if (!cls.startsWith('Q')) {
            name += " in " + cls;
            break;
        }
    }
    return name;
}

// The part of `w` its parents up to its window let be seen, in its own coordinates; a scroll area's
// viewport clips only beside (a list scrolled out of sight is not cut).
QRect VisiblePart(const QWidget* w)
{
    QRect r = w->rect();
    QPoint offset(0, 0);
    for (const QWidget* cur = w; !cur->isWindow() && cur->parentWidget(); cur = cur->parentWidget()) {
        offset += cur->pos();
        const QWidget* parent = cur->parentWidget();
        QRect inParent = r.translated(offset);
        if (auto* area = qobject_cast<const QAbstractScrollArea*>(parent->parentWidget())) {
            if (area->viewport() == parent) {
                // Scrolled out of sight above or below is not cut: measured as scrolled into view.
                int dy = 0;
                if (inParent.top() < 0)
                    dy = -inParent.top();
                else if (inParent.bottom() >= parent->height())
                    dy = qMax(-inParent.top(), parent->height() - 1 - inParent.bottom());
                inParent.translate(0, dy);
                offset.ry() += dy;
            }
        }
        r = inParent.intersected(parent->rect()).translated(-offset);
    }
    return r;
}

QString Plain(const QString& text)
{
    QString t = text;
    t.remove(QLatin1Char('&'));
    return t;
}

int Advance(const QFont& font, const QString& text)
{
    const QFontMetrics fm(font);
    int widest = 0;
    for (const QString& line : text.split(QRegExp("\r\n|\n|\r")))
        widest = qMax(widest, fm.horizontalAdvance(line));
    return widest;
}

bool IsHan(const QString& word)
{
    for (QChar c : word)
        if (c.script() == QChar::Script_Han)
            return true;
    return false;
}

struct Walk {
    QList<TextMiss> misses;

    void miss(const QWidget* w, const QString& text, int need, int room)
    {
        misses.append({Describe(w), text, need, room});
    }

    // A caption of width `need` drawn inside `room` (already clipped to what is seen).
    void fit(const QWidget* w, const QString& text, int need, const QRect& room)
    {
        if (!text.trimmed().isEmpty() && need > room.width())
            miss(w, text, need, qMax(0, room.width()));
    }

    void label(const QLabel* l, const QRect& seen)
    {
        if (l->text().isEmpty() || (l->pixmap() && !l->pixmap()->isNull()))
            return;
        const int m = l->margin();
        const QRect contents = l->contentsRect().adjusted(m, m, -m, -m);
        QString text = l->text();
        int need = 0;
        const bool rich = l->textFormat() == Qt::RichText ||
                          (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
        if (rich) {
            QTextDocument doc;
            doc.setDocumentMargin(0);
            doc.setDefaultFont(l->font());
            doc.setHtml(text);
            text = doc.toPlainText();
            if (!l->wordWrap())
                need = int(std::ceil(doc.idealWidth()));
        }
        if (l->wordWrap()) {
            // Words of other scripts must fit whole; Chinese breaks between characters. The lines
            // together must fit the label's height.
            const QFontMetrics fm(l->font());
            for (const QString& word : text.split(QRegExp("\\s+"), Qt::SkipEmptyParts))
                if (!IsHan(word))
                    fit(l, word, fm.horizontalAdvance(word), contents.intersected(seen));
            const int high = fm.boundingRect(contents, int(l->alignment()) | Qt::TextWordWrap, text).height();
            if (high > contents.intersected(seen).height())
                misses.append({Describe(l) + " (height)", text, high, contents.intersected(seen).height()});
            return;
        }
        if (!rich)
            need = Advance(l->font(), text);
        // Where the text lands by its alignment, then what of it is seen.
        const QRect drawn = QStyle::alignedRect(l->layoutDirection(), l->alignment(), QSize(need, 1), contents);
        const QRect shown = drawn.intersected(contents).intersected(seen);
        if (need > contents.width() || shown.width() < drawn.width())
            miss(l, text, need, qMin(contents.width(), shown.width()));
    }

    void button(const QAbstractButton* b, const QRect& seen)
    {
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        opt.icon = b->icon();
        opt.iconSize = b->iconSize();
        QStyle::SubElement element = QStyle::SE_PushButtonContents;
        if (qobject_cast<const QCheckBox*>(b))
            element = QStyle::SE_CheckBoxContents;
        else if (qobject_cast<const QRadioButton*>(b))
            element = QStyle::SE_RadioButtonContents;
        else if (!qobject_cast<const QPushButton*>(b))
            return;
        const QRect contents = b->style()->subElementRect(element, &opt, b);
        const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
        const QString text = Plain(b->text());
        fit(b, text, Advance(b->font(), text) + icon, contents.intersected(seen));
        // A caption that breaks its line needs the height of its lines as well.
        const int lines = text.split(QRegExp("\r\n|\n|\r")).size();
        const int high = lines * QFontMetrics(b->font()).lineSpacing();
        if (lines > 1 && high > contents.intersected(seen).height())
            misses.append({Describe(b) + " (height)", text, high, contents.intersected(seen).height()});
    }

    void combo(const QComboBox* c, const QRect& seen)
    {
        if (c->isEditable() || c->currentText().isEmpty())
            return;
        QStyleOptionComboBox opt;
        opt.initFrom(c);
        opt.editable = false;
        opt.frame = c->hasFrame();
        opt.currentText = c->currentText();
        opt.currentIcon = c->itemIcon(c->currentIndex());
        opt.iconSize = c->iconSize();
        opt.subControls = QStyle::SC_All;
        const QRect field = c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
        const int icon = opt.currentIcon.isNull() ? 0 : opt.iconSize.width() + 4;
        // The label is drawn one pixel in from either side of the field.
        fit(c, c->currentText(), Advance(c->font(), c->currentText()) + icon + 2, field.intersected(seen));
    }

    void lineEdit(const QLineEdit* e, const QRect& seen)
    {
        if (e->text().isEmpty() || e->echoMode() != QLineEdit::Normal)
            return;
        QStyleOptionFrame opt;
        opt.initFrom(e);
        opt.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e) : 0;
        const QMargins tm = e->textMargins();
        const QRect contents = e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e)
                                   .adjusted(tm.left() + 2, 0, -tm.right() - 2, 0);
        fit(e, e->text(), Advance(e->font(), e->text()), contents.intersected(seen));
    }

    void tabBar(const QTabBar* bar, const QRect& seen)
    {
        for (int i = 0; i < bar->count(); ++i) {
            QStyleOptionTab opt;
            opt.initFrom(bar);
            opt.rect = bar->tabRect(i);
            opt.text = bar->tabText(i);
            opt.shape = bar->shape();
            // A tab without caption or icon leaves the operator guessing what it holds.
            if (opt.text.trimmed().isEmpty() && bar->tabIcon(i).isNull())
                misses.append({Describe(bar) + QString(" (tab %1 has no caption)").arg(i), QString(), 1, 0});
            const QRect text = bar->style()->subElementRect(QStyle::SE_TabBarTabText, &opt, bar);
            fit(bar, Plain(opt.text), Advance(bar->font(), Plain(opt.text)), text.intersected(seen));
        }
    }

    void painted(const QWidget* w, const PaintedTexts* owner, const QRect& seen)
    {
        for (const PaintedText& t : owner->paintedTexts())
            fit(w, t.text, Advance(t.font, t.text), t.room.intersected(seen));
    }

    void control(const QWidget* w, const QRect& seen)
    {
        const bool isControl = qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w) ||
                               qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSlider*>(w);
        if (!isControl)
            return;
        if (seen.width() < w->width())
            misses.append({Describe(w) + " lies partly outside its window", QString(), w->width(), seen.width()});
        else if (seen.height() < w->height())
            misses.append({Describe(w) + " lies partly outside its window (height)", QString(), w->height(),
                           seen.height()});
    }

    void widget(const QWidget* w)
    {
        if (!w->isVisible() || w->width() <= 0 || w->height() <= 0)
            return;
        const QRect seen = VisiblePart(w);
        control(w, seen);
        if (auto* owner = dynamic_cast<const PaintedTexts*>(w))
            painted(w, owner, seen);
        else if (auto* l = qobject_cast<const QLabel*>(w))
            label(l, seen);
        else if (auto* b = qobject_cast<const QAbstractButton*>(w))
            button(b, seen);
        else if (auto* c = qobject_cast<const QComboBox*>(w))
            combo(c, seen);
        else if (auto* e = qobject_cast<const QLineEdit*>(w))
            lineEdit(e, seen);
        else if (auto* t = qobject_cast<const QTabBar*>(w))
            tabBar(t, seen);
    }
};

}  // namespace

QString TextMiss::Line() const
{
    if (text.isEmpty())
        return QString("%1: %2 px, %3 px of it inside").arg(widget).arg(need).arg(room);
    const QString shown = QString(text).replace(QRegExp("\\s+"), " ");
    return QString("%1: \"%2\" needs %3 px, has %4 px").arg(widget, shown, QString::number(need), QString::number(room));
}

QList<TextMiss> MeasureWindow(QWidget* window)
{
    Walk walk;
    walk.widget(window);
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->window() == window)
            walk.widget(w);
    return walk.misses;
}
