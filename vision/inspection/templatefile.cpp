#include "vision/inspection/templatefile.h"

#include <QFile>
#include <QFileInfo>

namespace {
quint32 Le32(const QByteArray& b, int at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16
           | quint32(quint8(b[at + 3])) << 24;
}

// An uncompressed picture must hold every row its header announces.
bool ShorterThanItsPicture(const QString& path, qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray h = f.read(34);
    if (h.size() < 34 || !h.startsWith("BM"))
        return false;
    const qint64 offset = Le32(h, 10);
    const qint64 width = qint32(Le32(h, 18));
    const qint64 height = qAbs(qint64(qint32(Le32(h, 22))));
    const qint64 bits = quint16(quint8(h[28]) | quint8(h[29]) << 8);
    const quint32 compression = Le32(h, 30);
    if (compression != 0 && compression != 3)
        return false;  // run-length coded: its length says nothing; the reader decides
    const qint64 row = ((width * bits + 31) / 32) * 4;
    return size < offset + row * height;
}
}  // namespace

TemplateDamage LoadTemplateFile(const QString& path, int width, int height, int bytes, QImage* image)
{
    const QFileInfo info(path);
    if (!info.exists())
        return TemplateDamage::Missing;
    if (!info.isFile())
        return TemplateDamage::NotAFile;
    if (info.size() == 0)
        return TemplateDamage::Empty;
    if (ShorterThanItsPicture(path, info.size()))
        return TemplateDamage::Cut;
    QImage img(path);
    if (img.isNull() || img.width() != width || img.height() != height
        || qint64(img.depth()) * img.width() * img.height() != qint64(bytes) * 8)
        return TemplateDamage::Unreadable;
    if (image)
        *image = img;
    return TemplateDamage::None;
}

int TemplateDamageRow(TemplateDamage damage)
{
    switch (damage) {
    case TemplateDamage::Missing: return 666;
    case TemplateDamage::Empty: return 667;
    case TemplateDamage::NotAFile: return 668;
    case TemplateDamage::Cut: return 669;
    case TemplateDamage::Unreadable: return 670;
    case TemplateDamage::None: break;
    }
    return 0;
}
