// The formatting toolbars at work: a control's attribute spread over the selected objects, the toolbars showing
// the selection's attributes, which of them the selection enables, and their keys.
#include "FR_Desgn.h"

#include "FR_Color.h"
#include "FR_Combo.h"
#include "FR_Dock.h"
#include "FR_Insp.h"
#include "FR_Utils.h"

#include "Exceptions.h"
#include "Formats.h"
#include "Services.h"

#include <QAction>
#include <QLineEdit>

namespace {

void SetBit(quint16 &word, int bit, bool on)
{
    word = quint16(on ? (word | bit) : (word & ~bit));
}

} // namespace

void TfrDesignerForm::ApplyAttribute(int tag)
{
    if (UpdatingControls || !Page || (DesignerRestrictions & drNoAttributes))
        return;
    // A size or width that is no number changes nothing; the user is told what was wrong.
    int fontSize = 0;
    double frameWidth = 0;
    try {
        if (tag == 8)
            fontSize = StrToInt(C3->currentText().trimmed());
        else if (tag == 6)
            frameWidth = StrToFloatAnySeparator(C4->currentText());
    } catch (const EConvertError &e) {
        Services::messages()->error(e.message());
        return;
    }
    RecordUndo(acEdit);
    const QRegion before = PageView->SelectionRegion();
    for (TfrView *v : SelectedObjects()) {
        if (v->TypeCode == 2 || (v->Restrictions & orNoModify))
            continue;
        if (auto *memo = dynamic_cast<TfrMemoView *>(v)) {
            auto styleBit = [memo](int bit, bool on) {
                LastUsed.FontStyle = on ? (memo->Font.Style | bit) : (memo->Font.Style & ~bit);
                memo->Font.Style = LastUsed.FontStyle;
            };
            auto align = [memo](int mask, int value) {
                memo->Alignment = (memo->Alignment & ~mask) | value;
                LastUsed.Alignment = memo->Alignment;
            };
            switch (tag) {
            case 7:
                memo->Font.Name = C2->currentText();
                LastUsed.FontName = memo->Font.Name;
                break;
            case 8:
                memo->Font.Size = fontSize;
                LastUsed.FontSize = memo->Font.Size;
                break;
            case 9:
                styleBit(2, FnB1->Down());
                break;
            case 10:
                styleBit(1, FnB2->Down());
                break;
            case 18:
                styleBit(4, FnB3->Down());
                break;
            case 11:
            case 12:
            case 13:
                align(3, tag - 11);
                break;
            case 22:
                align(3, 3);
                break;
            case 14:
                align(frtaVertical, AlB4->Down() ? frtaVertical : 0);
                break;
            case 15:
                align(frtaMiddle | frtaDown, (AlB5->Down() ? frtaMiddle : 0) + (AlB7->Down() ? frtaDown : 0));
                break;
            case 17:
                memo->Font.Color = ColorSelector->Color;
                LastUsed.FontColor = memo->Font.Color;
                break;
            default:
                break;
            }
        }
        switch (tag) {
        case 1:
        case 2:
        case 3:
        case 4: {
            const TfrTBButton *buttons[] = { FrB1, FrB2, FrB3, FrB4 };
            SetBit(v->FrameTyp, 8 >> (tag - 1), buttons[tag - 1]->Down());
            break;
        }
        case 5:
            v->FillColor = ColorSelector->Color;
            LastUsed.FillColor = v->FillColor;
            break;
        case 6:
            v->FrameWidth = frameWidth;
            (v->TypeCode == 4 ? LastUsed.LineWidth : LastUsed.FrameWidth) = frameWidth;
            break;
        case 19:
            v->FrameColor = ColorSelector->Color;
            LastUsed.FrameColor = v->FrameColor;
            break;
        case 20:
            v->FrameTyp |= 15;
            LastUsed.FrameType = 15;
            break;
        case 21:
            v->FrameTyp &= ~15;
            LastUsed.FrameType = 0;
            break;
        case 25:
        case 26:
        case 27:
        case 28:
        case 29:
        case 30:
            v->FrameStyle = quint16(tag - 25);
            break;
        default:
            break;
        }
    }
    PageView->Draw(before + PageView->SelectionRegion());
    FillInspector();
    if (InspForm)
        InspForm->ItemsChanged();
    ClearActiveControl();
    if (tag == 20 || tag == 21)
        SelectionChanged();
}

void TfrDesignerForm::MirrorSelection()
{
    ColorSelector->hide();
    LinePanel->hide();
    const int count = PageView->SelectedCount;
    if (count == 1) {
        const TfrView *v = TopSelected();
        if (v->TypeCode == 2)
            return;
        TfrTBButton *lines[] = { FrB1, FrB2, FrB3, FrB4 };
        for (int i = 0; i < 4; ++i)
            lines[i]->SetDown(v->FrameTyp & (8 >> i));
        C4->setEditText(FloatToStrF(v->FrameWidth, ffGeneral, 2, 2));
        SetColorButtonGlyph(ClB1, cgFillColor, v->FillColor);
        SetColorButtonGlyph(ClB3, cgFrameColor, v->FrameColor);
        const auto *memo = dynamic_cast<const TfrMemoView *>(v);
        if (!memo)
            return;
        SetColorButtonGlyph(ClB2, cgFontColor, memo->Font.Color);
        if (C2->currentText() != memo->Font.Name) {
            const int at = C2->findText(memo->Font.Name, Qt::MatchFixedString);
            C2->setCurrentIndex(at);
            if (at < 0)
                C2->setEditText(memo->Font.Name);
        }
        if (C3->currentText() != QString::number(memo->Font.Size))
            C3->setEditText(QString::number(memo->Font.Size));
        FnB1->SetDown(memo->Font.Style & 2);
        FnB2->SetDown(memo->Font.Style & 1);
        FnB3->SetDown(memo->Font.Style & 4);
        AlB4->SetDown(memo->Alignment & frtaVertical);
        const int vertical = memo->Alignment & (frtaMiddle | frtaDown);
        (vertical == frtaMiddle ? AlB5 : vertical == frtaDown ? AlB7 : AlB6)->SetDown(true);
        TfrTBButton *horizontal[] = { AlB1, AlB2, AlB3, AlB8 };
        horizontal[memo->Alignment & 3]->SetDown(true);
    } else if (count >= 2) {
        for (TfrTBButton *b : { FrB1, FrB2, FrB3, FrB4, FnB1, FnB2, FnB3, AlB4, AlB5 })
            b->SetDown(false);
        SetColorButtonGlyph(ClB1, cgFillColor, clBlack);
        C4->setEditText(QStringLiteral("1"));
        C2->setCurrentIndex(-1);
        C2->setEditText(QString());
        C3->setCurrentIndex(-1);
        C3->setEditText(QString());
        AlB1->SetDown(true);
    }
}

void TfrDesignerForm::EnableFormatControls(int selectionType)
{
    const bool frames = (selectionType & (2 | 4 | 8)) && PageType == 0;
    for (QWidget *w : std::initializer_list<QWidget *> { FrB1, FrB2, FrB3, FrB4, FrB5, FrB6, ClB1, ClB3, C4, StB1 })
        w->setEnabled(frames);
    const bool texts = selectionType & (2 | 8);
    for (QWidget *w : std::initializer_list<QWidget *> {
             ClB2, C2, C3, FnB1, FnB2, FnB3, AlB1, AlB2, AlB3, AlB4, AlB5, AlB6, AlB7, AlB8, HlB1 })
        w->setEnabled(texts);
}

bool TfrDesignerForm::FormatKeyDown(int key, Qt::KeyboardModifiers shift)
{
    const Qt::KeyboardModifiers mods = shift & ~Qt::KeypadModifier;
    const int selected = PageView->SelectedCount;
    const QWidget *focused = QWidget::focusWidget();
    auto inBox = [focused](const QWidget *box) { return focused && (focused == box || box->isAncestorOf(focused)); };
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (inBox(C3) || inBox(C4)) {
            ApplyAttribute(inBox(C3) ? 8 : 6);
            return true;
        }
        return false;
    }
    if (key == Qt::Key_Insert && mods == Qt::NoModifier) {
        if (PageType != 0)
            return false;
        ShowFieldsWindow(true);
        return true;
    }
    if (mods != Qt::ControlModifier || selected == 0)
        return false;
    if (key >= Qt::Key_1 && key <= Qt::Key_9) {
        C4->setEditText(QString::number(key - Qt::Key_0));
        ApplyAttribute(6);
        return true;
    }
    switch (key) {
    case Qt::Key_F:
        ApplyAttribute(20);
        return true;
    case Qt::Key_D:
        ApplyAttribute(21);
        return true;
    case Qt::Key_B:
    case Qt::Key_I:
    case Qt::Key_U: {
        if (selected != 1)
            return false;
        TfrTBButton *b = key == Qt::Key_B ? FnB1 : key == Qt::Key_I ? FnB2 : FnB3;
        b->SetDown(!b->Down());
        ApplyAttribute(b->property("Tag").toInt());
        return true;
    }
    default:
        return false;
    }
}
