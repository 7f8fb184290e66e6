#pragma once
// The keys every keyboard and keypad has, handled the same way on each.
class QDialog;
class QLineEdit;
class QPushButton;
class QWidget;

struct EntryKeys {
    QPushButton* close;
    QPushButton* cancel;
    QPushButton* confirm;
    QPushButton* back;
};

// The round close button in the keyboards' top right corner.
QPushButton* makeCloseButton(QWidget* parent);
// Close/cancel reject, confirm accepts a non-blank entry, back deletes the last character.
// Returns false when `btn` is none of these keys.
bool pressEntryKey(QDialog* keyboard, QLineEdit* entry, const EntryKeys& keys, QPushButton* btn);
// The keypads' back key: drops the last character of `target` and leaves the cursor before the
// new last one.
void eraseLastChar(QLineEdit* target);
