#include "settings/devicefields.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include <QRegularExpression>

#include <cjson/cJSON.h>

#include "core/globals.h"
#include "core/parameterstore.h"
#include "network/cnt_net.h"
#include "widgets/textrow.h"

DeviceReportHooks DeviceReportHooks::standard()
{
    DeviceReportHooks h;
    h.sendGetProduct = [] {
        if (gpNet)
            gpNet->CNT_SendGetProduct();
    };
    h.initStatistics = [] {
        if (gpNet)
            gpNet->InitStatistics();
    };
    h.initManualStop = [] {
        if (gpNet)
            gpNet->InitManualStop();
    };
    return h;
}

DeviceReportHooks gDeviceReportHooks = DeviceReportHooks::standard();

std::optional<QStringList> ParseProductReply(const QByteArray& body)
{
    cJSON* root = cJSON_Parse(body.constData());
    if (!root)
        return std::nullopt;
    std::optional<QStringList> names;
    cJSON* result = cJSON_GetObjectItem(root, "result");
    if (cJSON_IsObject(root) && cJSON_IsArray(result)) {
        QStringList list;
        bool whole = true;
        // Walked along the list: looking each element up by index is quadratic in the list.
        cJSON* item = nullptr;
        cJSON_ArrayForEach(item, result) {
            cJSON* name = item && cJSON_IsObject(item) ? cJSON_GetObjectItem(item, "product_name") : nullptr;
            if (!name) {
                whole = false;
                break;
            }
            list << (cJSON_IsString(name) ? QString::fromUtf8(name->valuestring) : QString());
        }
        if (whole)
            names = list;
    }
    cJSON_Delete(root);
    return names;
}

QStringList MergeProductList(const std::optional<QString>& current, QStringList names)
{
    if (!current)
        return names;
    names.removeOne(*current);
    names.prepend(*current);
    return names;
}

namespace {
QString FieldText(const QString& shown, bool latin1Only)
{
    if (!latin1Only)
        return shown;
    QString text;
    for (uint c : shown.toUcs4())
        text += c <= 0xff ? QChar(c) : QChar('?');
    return text;
}
}  // namespace

void StoreFieldText(char (&field)[100], const QString& shown, const QString& loaded, bool latin1Only)
{
    if (shown == loaded)
        return;
    SetParamText(field, FieldText(shown, latin1Only));
}

QString StoredFieldText(const QString& shown, bool latin1Only)
{
    char field[100] = {};
    SetParamText(field, FieldText(shown, latin1Only));
    return ParamText(field);
}

QString CutNote(const QString& shown, const QString& loaded, bool latin1Only, int labelRow)
{
    const QString stored = StoredFieldText(shown, latin1Only);
    if (shown == loaded || stored == shown)
        return QString();
    // Whole: the box breaks its lines by what the glyphs take.
    return textRow(648).arg(textRow(labelRow), stored);
}

std::optional<int> DeviceNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    static const QRegularExpression digits(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{1,10}")));
    if (!digits.match(t).hasMatch())
        return std::nullopt;
    const qint64 v = t.toLongLong();
    if (v > INT_MAX)
        return std::nullopt;
    return int(v);
}
