#include "widgetfixture.h"

#include <QApplication>

#include "core/globals.h"
#include "core/sharedpictures.h"
#include "core/uitexttable.h"
#include "widgets/toolkitglobals.h"

void WidgetTest::SetUp()
{
    static bool tableLoaded = false;
    ASSERT_TRUE(InstallProgramImages(dir.path()));
    if (!tableLoaded) {
        Data_Init();
        tableLoaded = true;
    } else {
        LoadSharedPictures();
    }
    InitWidgetResources();
    savedLan = gLan;
    gLan = 1;
    gpWPara = &para;
    ToolkitHost::setInstance(&host);
    host.setKeypadTarget(nullptr);
    gShowW = 1725;
    gShowH = 982;
}

void WidgetTest::TearDown()
{
    setModalHook(ModalHook());
    ToolkitHost::setInstance(nullptr);
    gpWPara = nullptr;
    gLan = savedLan;
}

void WidgetTest::answerDialogs(std::function<void(QDialog&)> act)
{
    setModalHook([this, act](QDialog& d) {
        ++dialogsRun;
        d.setResult(QDialog::Rejected);
        d.show();
        act(d);
        const int result = d.result();
        d.hide();
        return result;
    });
}

QPushButton* WidgetTest::findKey(QWidget* parent, const QString& caption)
{
    const auto buttons = parent->findChildren<QPushButton*>();
    for (QPushButton* b : buttons) {
        if (b->text() == caption)
            return b;
    }
    return nullptr;
}

bool WidgetTest::clickKey(QWidget* parent, const QString& caption)
{
    QPushButton* b = findKey(parent, caption);
    if (!b)
        return false;
    QTest::mouseClick(b, Qt::LeftButton);
    return true;
}

void WidgetTest::click(QWidget* w, QPoint pos)
{
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, pos);
}
