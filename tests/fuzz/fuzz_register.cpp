// Payment registers: the first byte picks the layout (the six text layouts, ERIP, the three table layouts), the
// rest is the file. Every date read is then checked as storing checks it, and the notice is made.
#include "Exceptions.h"
#include "uRegisterImport.h"

#include <cstddef>
#include <cstdint>

namespace {

struct Layout
{
    TRegisterKind kind;
    int mode;
    const char *fileName;
};

const Layout Layouts[] = {
    { TRegisterKind::Text, 0, "bank.txt" },
    { TRegisterKind::Text, 57, "r57.txt" },
    { TRegisterKind::Text, 58, "r58.txt" },
    { TRegisterKind::Text, 59, "r59.txt" },
    { TRegisterKind::Text, 62, "r62.txt" },
    { TRegisterKind::Text, 63, "PAYMENT260115.txt" },
    { TRegisterKind::Erip, 0, "r.210" },
    { TRegisterKind::Dbf, 63, "post63.dbf" },
    { TRegisterKind::Dbf, 65, "post65.dbf" },
    { TRegisterKind::Dbf, 64, "bank.dbf" },
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const Layout &layout = Layouts[data[0] % (sizeof(Layouts) / sizeof(Layouts[0]))];
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    TPaymentRegister reg;
    try {
        ReadRegisterBytes(layout.kind, layout.mode, bytes, QString::fromLatin1(layout.fileName), reg);
    } catch (const Exception &) {
    }
    for (const TRegisterDoc &doc : reg.docs)
        RegisterDate(doc.PayDocDateStr);
    for (const TRegisterPayment &p : reg.payments)
        RegisterDate(p.PayDateStr);
    RegisterDocNotice(reg, layout.kind == TRegisterKind::Erip, QDate(2026, 1, 15));
    return 0;
}
