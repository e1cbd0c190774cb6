// The inspector's rows: a value as text and back, by the row's type.
#include "FR_Insp.h"

#include "FR_Utils.h"

#include "Formats.h"

namespace {

// Whole numbers as the inspector reads them: decimal, or "$" and hexadecimal digits (how colours are shown).
int textToInteger(const QString &text)
{
    const QString t = text.trimmed();
    if (t.size() > 1 && t.startsWith(u'$')) {
        bool ok = false;
        const uint value = t.mid(1).toUInt(&ok, 16);
        if (ok)
            return int(value);
    }
    return StrToInt(text);
}

QString colorText(TColor color)
{
    for (const TfrNamedColor &c : ColorTable)
        if (c.Value == color)
            return QString::fromLatin1(c.Name);
    return u'$' + QStringLiteral("%1").arg(quint32(color), 6, 16, QLatin1Char('0')).toUpper();
}

TColor textToColor(const QString &text)
{
    for (const TfrNamedColor &c : ColorTable)
        if (text.compare(QLatin1String(c.Name), Qt::CaseInsensitive) == 0)
            return c.Value;
    return textToInteger(text);
}

} // namespace

TProp::TProp(int typeFlags, TfrEditorHook editorMethod, const Variant &valueCodes, const QStringList &valueNames)
    : TypeFlags(typeFlags)
    , EditorMethod(std::move(editorMethod))
    , ValueCodes(valueCodes)
    , ValueNames(valueNames)
{
}

void TProp::SetValue(const Variant &value)
{
    const QString text = value.toString();
    Text = text;
    if (text.isEmpty())
        return;
    if (TypeFlags & frdtFloat) {
        Text = FloatToStrF(StrToFloat(text), ffFixed, 4, 2);
    } else if (TypeFlags & frdtBoolean) {
        int number = 0;
        const bool isNumber = TryStrToInt(text, number);
        if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || (isNumber && number != 0))
            Text = QStringLiteral("True");
        else if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 || isNumber)
            Text = QStringLiteral("False");
    } else if (TypeFlags & frdtColor) {
        Text = colorText(textToInteger(text));
    } else if ((TypeFlags & frdtEnum) && HasCodes()) {
        const Variant code(textToInteger(text));
        const QList<Variant> &codes = ValueCodes.elements();
        // With codes shared by several names, the last of them is shown.
        for (int i = 0; i < codes.size() && i < ValueNames.size(); ++i)
            if (SameVariantValues(codes[i], code))
                Text = ValueNames[i];
    }
}

int TProp::NameIndex(const QString &name) const
{
    for (int i = 0; i < ValueNames.size(); ++i)
        if (ValueNames[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Variant TProp::GetValue() const
{
    if ((TypeFlags & frdtString) || ((TypeFlags & frdtEnum) && !HasCodes()))
        return Variant(Text);
    if (TypeFlags & frdtInteger)
        return Variant(textToInteger(Text));
    if (TypeFlags & frdtFloat)
        return Variant(StrToFloatAnySeparator(Text));
    if (TypeFlags & frdtBoolean) {
        const QString upper = Text.toUpper();
        return Variant(upper != QLatin1String("FALSE") && upper != QLatin1String("0") && !upper.isEmpty());
    }
    if (TypeFlags & frdtColor)
        return Variant(int(textToColor(Text)));
    if (TypeFlags & frdtEnum) {
        const int i = NameIndex(Text);
        const QList<Variant> &codes = ValueCodes.elements();
        return i >= 0 && i < codes.size() ? codes[i] : Variant(textToInteger(Text));
    }
    return Variant::Null();
}
