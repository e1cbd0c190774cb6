#pragma once

class QDialogButtonBox;
class QPushButton;

// The "Готово" and "Отмена" buttons of the small dialogs of this folder ("btnOk", the default, and
// "btnCancel"); the dialog connects them.
QDialogButtonBox *ReadyCancelButtons(QPushButton *&btnOk, QPushButton *&btnCancel);
