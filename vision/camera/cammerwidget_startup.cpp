// Start-up of the camera views: the templates and the engine training of every view, one task per
// view at once, when all views are built.
#include "vision/camera/cammerwidget.h"

#include <algorithm>
#include <thread>

#include <QThreadPool>

#include "vision/inspection/cammerrecongnize.h"

CammerWidget::StartUpBatch* CammerWidget::batch_ = nullptr;

CammerWidget::StartUpBatch::StartUpBatch() : outer_(CammerWidget::batch_)
{
    CammerWidget::batch_ = this;
}

CammerWidget::StartUpBatch::~StartUpBatch()
{
    CammerWidget::batch_ = outer_;
    if (views_.size() <= 1) {
        for (CammerWidget* v : views_)
            v->LoadAndTrain();
        return;
    }
    // Each task reads files and the shared parameters and writes only its own view.
    QThreadPool pool;
    pool.setMaxThreadCount(int(std::min<size_t>(views_.size(), std::max(1u, std::thread::hardware_concurrency()))));
    for (CammerWidget* v : views_)
        pool.start([v] { v->LoadAndTrain(); });
    pool.waitForDone();
}

void CammerWidget::DeferOrLoadAndTrain()
{
    if (batch_)
        batch_->views_.push_back(this);
    else
        LoadAndTrain();
}

void CammerWidget::LoadAndTrain()
{
    LoadTemplates();
    delete recogniser;
    recogniser = new CammerRecong(modelInForce, this);
}
