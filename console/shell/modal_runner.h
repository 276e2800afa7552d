#pragma once

#include <functional>

class QDialog;

// Runs a dialog modally and answers its result (QDialog::Accepted or Rejected). Tests
// replace the way it runs with a hook that shows the dialog, drives its real controls
// and answers without entering a nested event loop.
int RunModal(QDialog& dialog);

using ModalHook = std::function<int(QDialog&)>;
// An empty hook restores the real modal loop.
void SetModalHook(ModalHook hook);
