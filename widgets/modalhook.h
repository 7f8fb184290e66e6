#pragma once
// Every modal dialog of the program runs through execModal, so that tests can answer it instead
// of a person. Without a hook the dialog's own exec() runs.
#include <functional>

class QDialog;

// Answers a dialog: typically shows it, presses its buttons and returns its result().
using ModalHook = std::function<int(QDialog&)>;

// Installs a hook (an empty function restores exec()); returns the previous one.
ModalHook setModalHook(ModalHook hook);
int execModal(QDialog& dialog);
