#pragma once
// What the device parameters page decides: the product list the report client sends, how typed
// texts and numbers go into the record's fields, and the statistics reset's steps.
#include <functional>
#include <optional>
#include <QString>
#include <QStringList>

// The names of a product-list reply ({"result":[{"product_name":"..."},...]}) in the reply's order;
// nothing when the body is no such object or an element lacks "product_name". A name that is not
// a string counts as empty.
std::optional<QStringList> ParseProductReply(const QByteArray& body);

// The combo box's entries after a reply: the product in use (when the box had one) first and once,
// then the server's other names.
QStringList MergeProductList(const std::optional<QString>& current, QStringList names);

// Stores a text field's entry. A field left as it was loaded keeps its bytes; an edited one is
// stored as UTF-8, cut on a character boundary to 99 bytes; with `latin1Only` every character
// outside Latin-1 becomes "?" first.
void StoreFieldText(char (&field)[100], const QString& shown, const QString& loaded, bool latin1Only);

// What a text field reads back once StoreFieldText stored an edited `shown`: the cut and the "?".
QString StoredFieldText(const QString& shown, bool latin1Only);

// Row 648 with the field's label (text row `labelRow`) and what an edited `shown` is stored as,
// when that differs from what was typed; empty when it does not or the field was not edited.
QString CutNote(const QString& shown, const QString& loaded, bool latin1Only, int labelRow);

// The number a number field's text stands for: 0 when empty, else decimal digits only (surrounding
// spaces aside) up to 2147483647; nothing for anything else ("00.5", "ABC12", 99999999999, "-3").
std::optional<int> DeviceNumber(const QString& text);

// The report server's operations the page uses (gpNet's; tests replace them).
struct DeviceReportHooks {
    std::function<void()> sendGetProduct;  // product-list request (message type 14)
    std::function<void()> initStatistics;  // the server's statistics record starts again
    std::function<void()> initManualStop;  // the server's manual-stop record starts again
    // The hooks of the program.
    static DeviceReportHooks standard();
};
extern DeviceReportHooks gDeviceReportHooks;

