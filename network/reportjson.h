#pragma once
// Small helpers over cJSON for the report bodies and record files: numbers from 64-bit integers,
// texts as their UTF-8 bytes, printed in cJSON_Print's formatted form.
#include <cjson/cJSON.h>

#include <QByteArray>
#include <QString>

namespace reportjson {

// Owns a cJSON tree.
class Doc {
public:
    explicit Doc(cJSON* root = cJSON_CreateObject()) : root_(root) {}
    ~Doc() { cJSON_Delete(root_); }
    Doc(const Doc&) = delete;
    Doc& operator=(const Doc&) = delete;
    cJSON* get() const { return root_; }
    explicit operator bool() const { return root_ != nullptr; }

private:
    cJSON* root_;
};

inline void Num(cJSON* obj, const char* key, qint64 value)
{
    cJSON_AddItemToObject(obj, key, cJSON_CreateNumber(double(value)));
}

inline void Text(cJSON* obj, const char* key, const QByteArray& utf8)
{
    cJSON_AddItemToObject(obj, key, cJSON_CreateString(utf8.constData()));
}

inline void Text(cJSON* obj, const char* key, const QString& text)
{
    Text(obj, key, text.toUtf8());
}

inline cJSON* Array(cJSON* obj, const char* key)
{
    cJSON* a = cJSON_CreateArray();
    cJSON_AddItemToObject(obj, key, a);
    return a;
}

inline cJSON* Object(cJSON* array)
{
    cJSON* o = cJSON_CreateObject();
    cJSON_AddItemToArray(array, o);
    return o;
}

inline QByteArray Print(const cJSON* item)
{
    char* text = cJSON_Print(item);
    const QByteArray out(text ? text : "");
    cJSON_free(text);
    return out;
}

// Members read while loading a record: a missing member or one of another kind is missing.
inline bool GetNum(const cJSON* obj, const char* key, qint64* out)
{
    const cJSON* item = cJSON_GetObjectItem(obj, key);
    if (!item || !cJSON_IsNumber(item))
        return false;
    *out = qint64(item->valuedouble);
    return true;
}

inline bool GetInt(const cJSON* obj, const char* key, int* out)
{
    qint64 v = 0;
    if (!GetNum(obj, key, &v))
        return false;
    *out = int(v);
    return true;
}

inline bool GetText(const cJSON* obj, const char* key, QByteArray* out)
{
    const cJSON* item = cJSON_GetObjectItem(obj, key);
    if (!item || !cJSON_IsString(item) || !item->valuestring)
        return false;
    *out = QByteArray(item->valuestring);
    return true;
}

}  // namespace reportjson
