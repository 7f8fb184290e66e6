// The application style sheet applied in slices: the widgets look as after the plain
// QApplication::setStyleSheet, the event loop gets its turns during the re-polish, and a widget
// deleted in one of those turns is skipped.
#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/startup.h"
#include "widgets/slicedstylesheet.h"

namespace {

// Widgets of the kinds the sheet names, one level with a sheet of its own inside another, all
// polished under the plain style as the screens are before the sheet comes.
struct Tree {
    Tree()
    {
        root.setStyleSheet("QPushButton{color:#123456;}");
        root.setFixedSize(300, 400);
        auto* l = new QVBoxLayout(&root);
        l->addWidget(new QLabel("label"));
        l->addWidget(new QPushButton("button"));
        auto* inner = new QWidget;
        inner->setStyleSheet("QLabel{font-size:30px;}");
        auto* il = new QVBoxLayout(inner);
        il->addWidget(new QLabel("inner"));
        il->addWidget(new QCheckBox("check"));
        extra = new QLabel("extra");
        il->addWidget(extra);
        l->addWidget(inner);
        auto* combo = new QComboBox;
        combo->addItems({"a", "b"});
        l->addWidget(combo);
        root.ensurePolished();
        root.grab();
    }
    QWidget root;
    QLabel* extra = nullptr;
};

class SlicedStyleSheet : public ::testing::Test {
protected:
    void SetUp() override { qApp->setStyleSheet(QString()); }
    void TearDown() override { qApp->setStyleSheet(QString()); }
};

}  // namespace

TEST_F(SlicedStyleSheet, LooksAsThePlainSheetAndTheLoopRunsBetweenWidgets)
{
    QImage plain;
    {
        Tree t;
        qApp->setStyleSheet(ApplicationStyleSheet());
        plain = t.root.grab().toImage();
    }
    qApp->setStyleSheet(QString());
    Tree t;
    ASSERT_NE(t.root.grab().toImage(), plain) << "the sheet changes nothing in this tree: the case proves nothing";
    int turns = 0, splitTurns = 0;
    ApplyStyleSheetInSlices(ApplicationStyleSheet(), 0, [&] {
        ++turns;
        // The sheet in force and widgets still waiting for it: the re-polish really is split.
        bool waiting = false;
        for (QWidget* w : t.root.findChildren<QWidget*>())
            waiting |= !w->testAttribute(Qt::WA_WState_Polished);
        splitTurns += qApp->styleSheet() == ApplicationStyleSheet() && waiting;
    });
    EXPECT_EQ(qApp->styleSheet(), ApplicationStyleSheet());
    EXPECT_EQ(t.root.grab().toImage(), plain);
    // Slices of 0 ms: a turn after each widget, twice (let go of the old style, take the new).
    EXPECT_GE(turns, 2 * 8);
    EXPECT_GE(splitTurns, 4);
}

TEST_F(SlicedStyleSheet, AWidgetDeletedDuringATurnIsSkipped)
{
    Tree t;
    std::unique_ptr<QLabel> late;
    int turns = 0;
    ApplyStyleSheetInSlices(ApplicationStyleSheet(), 0, [&] {
        if (++turns == 1) {
            delete t.extra;
            t.extra = nullptr;
            // Made during the step: polished under the new sheet when first shown.
            late = std::make_unique<QLabel>("late");
        }
    });
    late->ensurePolished();
    EXPECT_EQ(late->palette().color(QPalette::WindowText), QColor(Qt::white));
    const QList<QLabel*> labels = t.root.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2);
    EXPECT_EQ(labels[0]->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(labels[1]->font().pixelSize(), 30);
}
