// Saves PNGs of the I/O parameters and functions pages, the multi-detection grid (three stages
// with claims) and the naming page in each of the three languages:
//   iopageshots OUTPUT_DIR
// Runs on the offscreen platform when no display is set.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

#include "core/globals.h"
#include "core/sharedpictures.h"
#include "core/uitexttable.h"
#include "core/wizardpara.h"
#include "settings/customionamewidget.h"
#include "settings/iocheckcombo.h"
#include "settings/iofunctionswidget.h"
#include "settings/ioparamswidget.h"
#include "settings/iowidget.h"
#include "tools/shottool.h"
#include "widgets/combobox.h"
#include "widgets/toolkitglobals.h"

namespace {
QString gOut;
int gSaved = 0;

void save(QWidget* w, const QString& name)
{
    w->show();
    QApplication::processEvents();
    const QString file = QString("%1/%2_%3.png").arg(gOut, name).arg(gLan);
    if (w->grab().save(file))
        ++gSaved;
    else
        QTextStream(stderr) << "cannot write " << file << "\n";
    w->hide();
}

// A settings page as the screen shows it: on the frame's light page area.
void savePage(QWidget* page, const QString& name)
{
    page->setObjectName("page");
    page->setStyleSheet(page->styleSheet() + "BWidget#page{background-color:#ffffff;}");
    page->resize(1500, 900);
    save(page, name);
}

void shootLanguage(WizardPara& para)
{
    para.io_mode = para.io_mode_chosen = 4;
    para.stage_count = 3;
    para.factory_param = 1;
    para.pre_cut = 15;
    para.thimble_pulse = 5;
    para.mold_pulse = 20;
    para.input_timeout_len = 60;
    para.enable_output_thimble_pulse = 2;
    para.output_polarity[0] = 1;
    for (int i = 0; i < 8; ++i) {
        para.stage_source[i] = -1;
        para.stage_input_choice[i] = i < 3 ? i : 2;
        para.stage_link[i] = i == 1 ? 1 : 0;
        para.input_name_choice[i] = i;
        para.output_name_choice[i] = i;
    }
    para.input_name_choice[0] = 7;
    para.output_name_choice[0] = 8;
    para.stage_source[0] = 0;
    para.stage_source[1] = 1;
    para.stage_source[2] = 1;
    WizardPara edit = para;
    gpWPara = &para;
    gpWParaBak = &edit;
    gpWParaBak->stage_count = 6;   // the grid's last Confirm: six stages in the edit copy

    // As with "Display factory param" ticked on the advanced functions page.
    IOParamsWidget params;
    params.setFactorySwitch([] { return true; });
    params.WizardParaInit();
    savePage(&params, "ioparams");
    IOFunctionsWidget functions;
    functions.setFactorySwitch([] { return true; });
    functions.WizardParaInit();
    savePage(&functions, "iofunctions");

    IOWidget grid(nullptr);
    save(&grid, "iogrid");
    CustomIONameWidget names(nullptr);
    names.attach(nullptr, &grid);
    names.init();
    save(&names, "ionames");
    gpWParaBak = nullptr;
    gpWPara = nullptr;
}
}  // namespace

int main(int argc, char** argv)
{
    shottool::preferOffscreen();
    QApplication app(argc, argv);
    gOut = shottool::outputDir(argc, argv, "iopageshots");
    if (gOut.isEmpty())
        return 2;
    QTemporaryDir programDir;
    if (!shottool::startProgramDir(programDir))
        return 1;
    for (int lan = 0; lan < 3; ++lan) {
        gLan = lan;
        WizardPara para;
        shootLanguage(para);
    }
    QTextStream(stdout) << gSaved << " pictures in " << gOut << "\n";
    return 0;
}
