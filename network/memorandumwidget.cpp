#include "network/memorandumwidget.h"

#include <cjson/cJSON.h>

#include <QDateTime>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include "core/globals.h"
#include "network/cnt_net.h"
#include "widgets/pagecontrolbar.h"

namespace {

QString UtcText(const cJSON* item)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(item->valuedouble)).toString("yy-MM-dd hh:mm:ss");
}

}  // namespace

RemindReply ParseRemindReply(const QString& body)
{
    RemindReply reply;
    const QByteArray text = body.toUtf8();
    cJSON* root = cJSON_Parse(text.constData());
    const cJSON* result = root ? cJSON_GetObjectItem(root, "result") : nullptr;
    if (!result) {
        cJSON_Delete(root);
        return reply;
    }
    reply.parsed = true;
    reply.count = cJSON_GetArraySize(result);
    for (int i = 0; i < reply.count; ++i) {
        reply.rows.append(QStringList());
        QStringList& cells = reply.rows.last();
        const cJSON* e = cJSON_GetArrayItem(result, i);
        const cJSON* op = e ? cJSON_GetObjectItem(e, "operator") : nullptr;
        if (!cJSON_IsString(op))
            break;
        cells << QString::fromUtf8(op->valuestring);
        const cJSON* created = cJSON_GetObjectItem(e, "create_utc");
        if (!cJSON_IsNumber(created))
            break;
        cells << UtcText(created);
        const cJSON* notify = cJSON_GetObjectItem(e, "notify_utc");
        if (!cJSON_IsNumber(notify))
            break;
        cells << UtcText(notify);
        const cJSON* duration = cJSON_GetObjectItem(e, "duration");
        if (!cJSON_IsNumber(duration))
            break;
        cells << QString::number(duration->valueint);
        const cJSON* name = cJSON_GetObjectItem(e, "reminder_name");
        if (!cJSON_IsString(name))
            break;
        cells << QString::fromUtf8(name->valuestring);
    }
    cJSON_Delete(root);
    return reply;
}

MemorandumWidget::MemorandumWidget(QWidget* parent) : BWidget(parent)
{
    setObjectName("MemorandumWidget");
    table_ = new QTableView(this);
    table_->setFixedSize(1370, 810);
    model_ = new QStandardItemModel(0, 5, this);
    const char* headers[5] = {"操作者", "创建时间", "提醒时间", "持续时间(min)", "提醒事项名称"};
    for (int c = 0; c < 5; ++c)
        model_->setHorizontalHeaderItem(c, new QStandardItem(QString::fromUtf8(headers[c])));
    table_->setModel(model_);
    const int widths[5] = {150, 200, 200, 150, 400};
    for (int c = 0; c < 5; ++c)
        table_->setColumnWidth(c, widths[c]);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    paging_ = new PageControlBar(this);  // shown, not wired: the list has no pages

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addStretch();
    column->addWidget(table_);
    column->addWidget(paging_);

    if (gpNet)
        gpNet->setSessionReceiver(CNT_Net::kSessionRemind, this,
                                  [this](const QString& body) { cnt_reset_remind(body); });
}

void MemorandumWidget::cnt_reset_remind(const QString& body)
{
    const RemindReply reply = ParseRemindReply(body);
    if (!reply.parsed || !isVisible())
        return;
    if (reply.count < 1) {
        table_->viewport()->update();
        return;
    }
    model_->removeRows(0, model_->rowCount());
    QFont font("wqy-microhei");
    font.setPointSize(15);
    for (int i = 0; i < reply.rows.size(); ++i) {
        model_->insertRow(i);
        const QStringList& cells = reply.rows[i];
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QStandardItem(cells[c]);
            item->setFont(font);
            item->setTextAlignment(Qt::AlignCenter);
            model_->setItem(i, c, item);
        }
    }
    table_->viewport()->update();
}
