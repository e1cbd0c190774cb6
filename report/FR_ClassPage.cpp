// The named properties of a template page, as scripts, the designer and the inspector read and write them.
#include "FR_Class.h"

#include "Formats.h"

namespace {

// Page units per tenth of a millimetre: 18 units are 5 millimetres.
int tenthsToUnits(int tenths)
{
    return frRound(tenths / 10.0 * 18 / 5);
}

int unitsToTenths(const Variant &units)
{
    return frRound(units.toDouble() * 10 * 5 / 18);
}

} // namespace

void TfrPage::RegisterProperties()
{
    ClearPropList();
    const TfrEditorHook scriptEditor = [this](TfrView *) { EditScript(); };
    RegisterEnumProp(QStringLiteral("Type"), QStringLiteral("ptReport;ptDialog"), {0, 1});
    if (Type == 1) {
        RegisterEnumProp(QStringLiteral("BorderStyle"), QStringLiteral("bsDialog;bsSizeable"), {3, 2});
        RegisterProp(QStringLiteral("Caption"), frdtString);
        RegisterProp(QStringLiteral("Color"), frdtColor);
        RegisterProp(QStringLiteral("Left"), frdtSize);
        RegisterProp(QStringLiteral("Top"), frdtSize);
        RegisterProp(QStringLiteral("Width"), frdtInteger);
        RegisterProp(QStringLiteral("Height"), frdtInteger);
        RegisterEnumProp(QStringLiteral("Position"), QStringLiteral("poDesigned;poScreenCenter"), {0, 4});
        RegisterProp(QStringLiteral("OnActivate"), frdtHasEditor, scriptEditor);
        return;
    }
    const TfrPrinter &printer = EnginePrinter();
    QList<Variant> sizes;
    for (int i = 0; i < printer.PaperSizesNum && i < int(printer.PaperSizes.size()); ++i)
        sizes << Variant(printer.PaperSizes[size_t(i)]);
    RegisterEnumProp(QStringLiteral("Size"), printer.PaperNames.mid(0, int(sizes.size())).join(u';'), sizes);
    RegisterProp(QStringLiteral("Width"), frdtSize);
    RegisterProp(QStringLiteral("Height"), frdtSize);
    for (const char *n : {"LeftMargin", "TopMargin", "RightMargin", "BottomMargin"})
        RegisterProp(QString::fromLatin1(n), frdtSize);
    RegisterEnumProp(QStringLiteral("Orientation"), QStringLiteral("poPortrait;poLandscape"), {0, 1});
    RegisterProp(QStringLiteral("PrintToPrevPage"), frdtBoolean);
    RegisterProp(QStringLiteral("StretchToPrintable"), frdtBoolean);
    RegisterProp(QStringLiteral("Columns"), frdtInteger);
    RegisterProp(QStringLiteral("ColumnGap"), frdtSize);
    RegisterProp(QStringLiteral("OnBeforePrint"), frdtHasEditor, scriptEditor);
}

Variant TfrPage::GetPropertyValue(const QString &name)
{
    const QString n = name.toUpper();
    const bool dialog = Type == 1;
    if (n == QLatin1String("TYPE"))
        return Variant(Type);
    if (n == QLatin1String("VISIBLE"))
        return Variant(Visible);
    if (n == QLatin1String("NAME"))
        return Variant(Name);
    if (n == QLatin1String("WIDTH"))
        return Variant(dialog ? Width : tenthsToUnits(PaperWidth));
    if (n == QLatin1String("HEIGHT"))
        return Variant(dialog ? Height : tenthsToUnits(PaperHeight));
    if (dialog) {
        if (n == QLatin1String("BORDERSTYLE"))
            return Variant(BorderStyle);
        if (n == QLatin1String("CAPTION"))
            return Variant(Caption);
        if (n == QLatin1String("COLOR"))
            return Variant(int(Color));
        if (n == QLatin1String("LEFT"))
            return Variant(Left);
        if (n == QLatin1String("TOP"))
            return Variant(Top);
        if (n == QLatin1String("POSITION"))
            return Variant(Position);
        return Variant::Null();
    }
    // While the page is built its margins read as the edges of the print area.
    if (n == QLatin1String("LEFTMARGIN"))
        return Variant(Prepared ? PrintAreaLeft() : LeftMargin);
    if (n == QLatin1String("TOPMARGIN"))
        return Variant(Prepared ? PrintAreaTop() : TopMargin);
    if (n == QLatin1String("RIGHTMARGIN"))
        return Variant(Prepared ? PrintAreaRight() : RightMargin);
    if (n == QLatin1String("BOTTOMMARGIN"))
        return Variant(Prepared ? PrintAreaBottom() : BottomMargin);
    if (n == QLatin1String("SIZE"))
        return Variant(PaperSize);
    if (n == QLatin1String("ORIENTATION"))
        return Variant(Orientation);
    if (n == QLatin1String("PRINTTOPREVPAGE"))
        return Variant(PrintToPrevPage);
    if (n == QLatin1String("STRETCHTOPRINTABLE"))
        return Variant(!MarginsUsed);
    if (n == QLatin1String("COLUMNS"))
        return Variant(Columns);
    if (n == QLatin1String("COLUMNGAP"))
        return Variant(ColumnGap);
    return Variant::Null();
}

void TfrPage::SetPropertyValue(const QString &name, const Variant &value)
{
    const QString n = name.toUpper();
    const bool dialog = Type == 1;
    if (n == QLatin1String("TYPE")) {
        Type = value.toInt();
    } else if (n == QLatin1String("VISIBLE")) {
        Visible = value.toBool();
    } else if (n == QLatin1String("NAME")) {
        Name = value.toString();
    } else if (n == QLatin1String("WIDTH")) {
        if (dialog)
            Width = value.toInt();
        else
            PaperWidth = unitsToTenths(value);
    } else if (n == QLatin1String("HEIGHT")) {
        if (dialog)
            Height = value.toInt();
        else
            PaperHeight = unitsToTenths(value);
    } else if (dialog) {
        if (n == QLatin1String("BORDERSTYLE"))
            BorderStyle = value.toInt();
        else if (n == QLatin1String("CAPTION"))
            Caption = value.toString();
        else if (n == QLatin1String("COLOR"))
            Color = TColor(value.toInt());
        else if (n == QLatin1String("LEFT"))
            Left = value.toInt();
        else if (n == QLatin1String("TOP"))
            Top = value.toInt();
        else if (n == QLatin1String("POSITION"))
            Position = value.toInt();
    } else if (n == QLatin1String("LEFTMARGIN")) {
        LeftMargin = value.toInt();
    } else if (n == QLatin1String("TOPMARGIN")) {
        TopMargin = value.toInt();
    } else if (n == QLatin1String("RIGHTMARGIN")) {
        RightMargin = value.toInt();
    } else if (n == QLatin1String("BOTTOMMARGIN")) {
        BottomMargin = value.toInt();
    } else if (n == QLatin1String("SIZE")) {
        PaperSize = value.toInt();
    } else if (n == QLatin1String("ORIENTATION")) {
        Orientation = value.toInt();
    } else if (n == QLatin1String("PRINTTOPREVPAGE")) {
        PrintToPrevPage = value.toBool();
    } else if (n == QLatin1String("STRETCHTOPRINTABLE")) {
        MarginsUsed = !value.toBool();
    } else if (n == QLatin1String("COLUMNS")) {
        Columns = value.toInt();
    } else if (n == QLatin1String("COLUMNWIDTH")) {
        ColumnWidth = value.toInt();
    } else if (n == QLatin1String("COLUMNGAP")) {
        ColumnGap = value.toInt();
    }
}
