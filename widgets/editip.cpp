#include "widgets/editip.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>

#include "widgets/edit.h"

EditIP::EditIP(const QString& title, QWidget* parent) : QWidget(parent)
{
    setFixedHeight(80);
    QFont f("wenquanyi");
    f.setPointSize(30);
    setFont(f);
    title_ = new QLabel(title, this);
    title_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title_->setFixedWidth(200);
    title_->setFont(f);
    for (QLabel*& dot : dots_) {
        dot = new QLabel(".", this);
        dot->setAlignment(Qt::AlignBottom | Qt::AlignHCenter);
        dot->setFont(f);
    }
    setTitleColor(titleColor_);
    for (QLabel* dot : dots_) {
        QPalette pal = dot->palette();
        pal.setColor(QPalette::All, QPalette::WindowText, titleColor_);
        dot->setPalette(pal);
    }
    for (Edit*& field : fields_) {
        field = new Edit(9, this, 1);
        field->setFont(f);
        field->setFixedSize(100, 50);
        field->setValidator(new QIntValidator(0, 255, field));
    }
    connect(fields_[0], &QLineEdit::textChanged, this, &EditIP::SlotTextChg_0);
    connect(fields_[1], &QLineEdit::textChanged, this, &EditIP::SlotTextChg_1);
    connect(fields_[2], &QLineEdit::textChanged, this, &EditIP::SlotTextChg_2);
    connect(fields_[3], &QLineEdit::textChanged, this, &EditIP::SlotTextChg_3);
    connect(fields_[0], &Edit::sig_Dot, this, &EditIP::SlotPressDot_0);
    connect(fields_[1], &Edit::sig_Dot, this, &EditIP::SlotPressDot_1);
    connect(fields_[2], &Edit::sig_Dot, this, &EditIP::SlotPressDot_2);

    row_ = new QHBoxLayout(this);
    row_->addWidget(title_, 10);
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            row_->addWidget(dots_[i - 1]);
        row_->addWidget(fields_[i], 5);
    }
}

void EditIP::octetChanged(int i, const QString& text)
{
    const int v = text.toInt(nullptr, 10);
    fields_[i]->setText(QString("%1").arg(qMin(v, 255)));
    emit textchange(getTextIP());
}

void EditIP::SlotTextChg_0(QString text) { octetChanged(0, text); }
void EditIP::SlotTextChg_1(QString text) { octetChanged(1, text); }
void EditIP::SlotTextChg_2(QString text) { octetChanged(2, text); }
void EditIP::SlotTextChg_3(QString text) { octetChanged(3, text); }

void EditIP::jumpTo(int i)
{
    fields_[i]->setText("0");
    fields_[i]->setFocus(Qt::OtherFocusReason);
}

void EditIP::SlotPressDot_0() { jumpTo(1); }
void EditIP::SlotPressDot_1() { jumpTo(2); }
void EditIP::SlotPressDot_2() { jumpTo(3); }

QString EditIP::getTextIP()
{
    QStringList parts;
    for (Edit* field : fields_)
        parts << QString::number(field->text().toInt(nullptr, 10), 10);
    address_ = parts.join('.');
    return address_;
}

void EditIP::setTextIP(const QString& text)
{
    int field = 0;
    QString part;
    for (const QChar c : text) {
        if (c == QLatin1Char('.') && field < 3) {
            ++field;
            part.clear();
            continue;
        }
        if (c == QLatin1Char('.'))
            continue;  // further dots in the last octet are skipped
        part += c;
        fields_[field]->setText(part);
    }
}

void EditIP::setGeometry(int x, int y, int w, int h)
{
    row_->setGeometry(QRect(x, y, w, h));
    QWidget::setGeometry(x, y, w, h);
}

void EditIP::setTitleColor(const QColor& c)
{
    titleColor_ = c;
    QPalette pal = title_->palette();
    pal.setColor(QPalette::All, QPalette::WindowText, c);
    title_->setPalette(pal);
}
