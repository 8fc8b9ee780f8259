#pragma once

class QDialog;
class QDialogButtonBox;

// "OK" (named "Ok") and "Abbrechen", accepting and rejecting `dialog`.
QDialogButtonBox* OkCancelButtons(QDialog& dialog);
