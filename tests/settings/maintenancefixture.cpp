#include "maintenancefixture.h"

#include <QDir>

#include "core/globals.h"
#include "core/runmodederivation.h"
#include "core/uitexttable.h"
#include "vision/camera/cameradiscovery.h"
#include "widgets/choosebox.h"
#include "widgets/editdatetime.h"
#include "widgets/modalhook.h"
#include "widgets/warnbox.h"

bool StepHost::setClock()
{
    EditDateTime editor("clock");
    return editor.setSysDateTime();
}

void MaintenanceTest::SetUp()
{
    static bool texts = false;
    if (!texts) {
        Data_Init();
        texts = true;
    }
    gLan = 1;
    dir.reset(new ProgramDir);
    folder("cammer11");
    folder("cammer12");
    folder("cammer21");
    dir->write("PARAM.db", "param in force");
    dir->write("paraGroup/default/PARAM.db", "factory param");
    dir->write("paraGroup/default/20clearsh.tar.gz", "archive");
    para = WizardPara();
    gpWPara = &para;
    gDNum = 2;
    numCamera = 2;
    answers.clear();
    log.clear();
    host.reset(new StepHost(log));
    runner.reset(new RecordingRunner);
    runner->answer = [this](const RecordedCommand& c) {
        log << "cmd:" + c.line();
        CommandRunner real;
        return real.run(c.program, c.args);
    };
    setModalHook([this](QDialog& d) {
        if (auto* box = dynamic_cast<ChooseBox*>(&d)) {
            log << "ask:" + box->text();
            return int(!answers.isEmpty() && answers.takeFirst() ? QDialog::Accepted : QDialog::Rejected);
        }
        if (auto* warn = dynamic_cast<WarnBox*>(&d))
            log << "warn:" + warn->text();
        return int(QDialog::Accepted);
    });
}

void MaintenanceTest::TearDown()
{
    setModalHook({});
    runner.reset();
    host.reset();
    gpWPara = nullptr;
    numCamera = 0;
    gDNum = 2;
    gLan = 0;
    dir.reset();
}

void MaintenanceTest::folder(const QString& rel, const QByteArray& content)
{
    dir->write(rel + "/pic.bmp", content);
}

QStringList MaintenanceTest::stepsFrom(const QString& from) const
{
    for (int i = 0; i < log.size(); ++i) {
        if (log.at(i).startsWith(from))
            return log.mid(i);
    }
    return {};
}
