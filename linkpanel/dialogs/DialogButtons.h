#pragma once
// OK and Cancel as every dialog of the library shows them ("ctl1", "ctl2"), wired to
// accept() and reject().
class QDialog;
class QDialogButtonBox;

namespace Kestrel {

QDialogButtonBox* AddOkCancel(QDialog* dialog);

}  // namespace Kestrel
