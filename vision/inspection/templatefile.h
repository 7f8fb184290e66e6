#pragma once
// Reading one template picture ("cammer<c><s>/template<n>.bmp") as the detection uses it. A file a
// power cut or a bad copy damaged is never taken: Qt would load a cut picture with its missing
// rows black, and that black would be judged as the mould's own picture.
#include <QImage>
#include <QString>

enum class TemplateDamage { None, Missing, NotAFile, Empty, Cut, Unreadable };

// What is wrong with the template file at `path` for a picture of width x height pixels of
// `bytes` bytes in all (grey: one byte a pixel, colour: four); None with `image` loaded.
TemplateDamage LoadTemplateFile(const QString& path, int width, int height, int bytes, QImage* image = nullptr);

// Text row naming the damage (for the warning and the record).
int TemplateDamageRow(TemplateDamage damage);
