#include "resources/dialog_templates.h"

namespace resources {
namespace {
#include "dialog_templates.inc"
}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
  for (const DialogTemplate& dialog : kDialogTemplates) {
    if (dialog.id == id) return &dialog;
  }
  return nullptr;
}

}  // namespace resources
