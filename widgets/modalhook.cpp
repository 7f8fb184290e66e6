#include "widgets/modalhook.h"

#include <QDialog>

namespace {
ModalHook& hookRef()
{
    static ModalHook hook;
    return hook;
}
}  // namespace

ModalHook setModalHook(ModalHook hook)
{
    ModalHook previous = hookRef();
    hookRef() = std::move(hook);
    return previous;
}

int execModal(QDialog& dialog)
{
    // A copy: the hook may replace itself while it answers.
    ModalHook hook = hookRef();
    if (hook)
        return hook(dialog);
    return dialog.exec();
}
