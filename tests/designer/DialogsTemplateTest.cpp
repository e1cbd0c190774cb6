// The template gallery, a new template's description and the variables list.
#include "FR_Newrp.h"
#include "FR_Templ.h"
#include "FR_Vared.h"

#include "DialogsFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

class DialogsTemplateGallery : public DialogsFixture
{
protected:
    // A gallery template of two pages with a text on the first, its description and picture.
    void writeTemplate(const QString &file, const QStringList &description, const QImage &picture = QImage())
    {
        TfrReport other;
        other.Pages().Add();
        other.Pages().Add();
        auto *text = new TfrMemoView;
        text->Name = QStringLiteral("Memo1");
        other.Pages().GetPage(0)->AddObject(text);
        other.SaveTemplateFile(file, description, picture);
        frEngine().CurrentReport = &report;
    }

    static QImage picture(QColor colour)
    {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }

    QTemporaryDir folder;
};
using DialogsTemplateNew = DialogsFixture;
using DialogsVariablesList = DialogsFixture;

TEST_F(DialogsTemplateGallery, ListsTheFoldersTemplatesWithOrWithoutATrailingSeparator)
{
    writeTemplate(folder.filePath("Квитанция.frt"), { "Квитанция об оплате", "на одного абонента" }, picture(Qt::red));
    writeTemplate(folder.filePath("Акт сверки.frt"), { "Акт" });
    writeTemplate(folder.filePath("Отчёт.v2.frt"), {});
    writeTemplate(folder.filePath("бланк.frt"), {});
    // Names match as on a file system that ignores case; the item keeps the file's real name.
    writeTemplate(folder.filePath("Счёт.FRT"), { "Счёт за месяц" });
    QDir(folder.path()).mkdir(QStringLiteral("Папка.frt"));
    QFile other(folder.filePath("readme.txt"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));

    for (const QString &setting : { folder.path(), folder.path() + u'/' }) {
        SCOPED_TRACE(setting.toStdString());
        QStringList captions, descriptions;
        bool okAtFirst = true, okWhenSelected = false;
        QSize pictureShown;
        auto answer = whenShown<TfrTemplForm>([&](TfrTemplForm &f) {
            captions = texts(f.LB1);
            okAtFirst = f.Button1->isEnabled();
            clickRow(f.LB1, 4);
            descriptions << f.Memo1->toPlainText();
            clickRow(f.LB1, 2);
            descriptions << f.Memo1->toPlainText();
            okWhenSelected = f.Button1->isEnabled();
            pictureShown = f.Image1->pixmap().size();
            QTest::mouseClick(f.Button1, Qt::LeftButton);
        });
        QString file;
        ASSERT_TRUE(TfrTemplForm::Execute(setting, file));
        EXPECT_EQ(captions, (QStringList { "Акт сверки", "бланк", "Квитанция", "Отчёт.v2", "Счёт" }))
            << "in the order of the alphabet, whatever the case";
        EXPECT_FALSE(okAtFirst) << "nothing is chosen yet";
        EXPECT_TRUE(okWhenSelected);
        EXPECT_EQ(descriptions, (QStringList { "Счёт за месяц", "Квитанция об оплате\nна одного абонента" }));
        EXPECT_EQ(pictureShown, QSize(40, 30));
        EXPECT_EQ(QDir::cleanPath(file), QDir::cleanPath(folder.filePath("Квитанция.frt")));
        EXPECT_EQ(report.Pages().GetCount(), 1) << "a description is read without the template's pages";
        EXPECT_EQ(report.Pages().GetPage(0)->ObjectCount(), 0);
    }
}

TEST_F(DialogsTemplateGallery, OffersOkOnlyWhileATemplateIsSelected)
{
    writeTemplate(folder.filePath("Акт.frt"), { "Акт" });
    writeTemplate(folder.filePath("Счёт.frt"), { "Счёт" });
    std::vector<bool> ok;
    auto answer = whenShown<TfrTemplForm>([&](TfrTemplForm &f) {
        clickRow(f.LB1, 0);
        ok.push_back(f.Button1->isEnabled());
        QTest::mouseClick(
            f.LB1->viewport(), Qt::LeftButton, Qt::ControlModifier, f.LB1->visualItemRect(f.LB1->item(0)).center());
        ok.push_back(f.Button1->isEnabled());
        QTest::mouseClick(f.Button1, Qt::LeftButton);
        ok.push_back(f.isVisible());
        doubleClickRow(f.LB1, 1);
    });
    QString file;
    ASSERT_TRUE(TfrTemplForm::Execute(folder.path(), file));
    EXPECT_EQ(ok, (std::vector<bool> { true, false, true }));
    EXPECT_EQ(QFileInfo(file).fileName(), QStringLiteral("Счёт.frt")) << "a double click chooses";
}

TEST_F(DialogsTemplateGallery, AnEmptyOrMissingFolderShowsAnEmptyGallery)
{
    for (const QString &setting : { folder.path(), folder.filePath("нет такой папки") }) {
        SCOPED_TRACE(setting.toStdString());
        int count = -1;
        bool ok = true;
        auto answer = whenShown<TfrTemplForm>([&](TfrTemplForm &f) {
            count = f.LB1->count();
            ok = f.Button1->isEnabled();
            QTest::mouseClick(f.Button1, Qt::LeftButton);
            QTest::mouseClick(f.Button2, Qt::LeftButton);
        });
        QString file = QStringLiteral("unchanged");
        EXPECT_FALSE(TfrTemplForm::Execute(setting, file));
        EXPECT_EQ(count, 0);
        EXPECT_FALSE(ok);
        EXPECT_EQ(file, QStringLiteral("unchanged"));
    }
}

TEST_F(DialogsTemplateGallery, WithoutAFolderListsTheTemplatesBesideTheProgram)
{
    const QString file = QDir(QCoreApplication::applicationDirPath())
                             .filePath(QStringLiteral("gallery-%1.frt").arg(QCoreApplication::applicationPid()));
    writeTemplate(file, { "Рядом с программой" });
    struct Removal
    {
        QString file;
        ~Removal() { QFile::remove(file); }
    } removal { file };
    QStringList captions;
    auto answer = whenShown<TfrTemplForm>([&](TfrTemplForm &f) {
        captions = texts(f.LB1);
        f.reject();
    });
    QString chosen;
    TfrTemplForm::Execute(QString(), chosen);
    EXPECT_TRUE(captions.contains(QFileInfo(file).completeBaseName()));
}

TEST_F(DialogsTemplateNew, AnswersTheCommentAndThePictureChosen)
{
    QTemporaryDir dir;
    QImage drawn(24, 16, QImage::Format_RGB32);
    drawn.fill(Qt::blue);
    const QString bmp = dir.filePath("logo.bmp"), text = dir.filePath("notes.bmp");
    ASSERT_TRUE(drawn.save(bmp, "BMP"));
    QFile notes(text);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture");
    notes.close();

    FakeDialogService dialogs;
    dialogs.answerPicture(bmp);
    dialogs.answerPicture(text);
    dialogs.answerPicture(QString());
    QList<QSize> shown;
    auto answer = whenShown<TfrTemplNewForm>([&](TfrTemplNewForm &f) {
        EXPECT_TRUE(f.Memo1->toPlainText().isEmpty());
        QTest::keyClicks(f.Memo1, QStringLiteral("Monthly act"));
        QTest::keyClick(f.Memo1, Qt::Key_Return);
        QTest::keyClicks(f.Memo1, QStringLiteral("for one subscriber"));
        for (int i = 0; i < 3; ++i) {
            QTest::mouseClick(f.Button1, Qt::LeftButton);
            shown << f.Image1->pixmap().size();
        }
        QTest::mouseClick(f.Button2, Qt::LeftButton);
    });
    QStringList description;
    QImage picture;
    ASSERT_TRUE(TfrTemplNewForm::Execute(description, picture));
    EXPECT_EQ(description, (QStringList { "Monthly act", "for one subscriber" }));
    ASSERT_EQ(dialogs.fileRequests.size(), 3);
    EXPECT_EQ(dialogs.fileRequests[0].filter, QStringLiteral("Рисунок ВМР (*.bmp)|*.bmp"));
    // A file that is no picture, or none chosen, keeps the picture there was.
    EXPECT_EQ(shown, (QList<QSize> { QSize(24, 16), QSize(24, 16), QSize(24, 16) }));
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.requests[0].type, mtError);
    EXPECT_TRUE(messages.lastText().contains(text)) << messages.lastText().toStdString();
    EXPECT_EQ(picture.size(), QSize(24, 16));
    EXPECT_EQ(picture.pixelColor(3, 3), QColor(Qt::blue));
}

TEST_F(DialogsTemplateNew, AnswersNoLinesAndNoPictureWhenNothingWasGivenAndNothingOnCancel)
{
    auto empty = whenShown<TfrTemplNewForm>([](TfrTemplNewForm &f) { QTest::mouseClick(f.Button2, Qt::LeftButton); });
    QStringList description { "kept" };
    QImage picture(2, 2, QImage::Format_RGB32);
    ASSERT_TRUE(TfrTemplNewForm::Execute(description, picture));
    EXPECT_TRUE(description.isEmpty());
    EXPECT_TRUE(picture.isNull());

    auto cancel = whenShown<TfrTemplNewForm>([](TfrTemplNewForm &f) {
        QTest::keyClicks(f.Memo1, QStringLiteral("draft"));
        QTest::mouseClick(f.Button3, Qt::LeftButton);
    });
    description = QStringList { "kept" };
    EXPECT_FALSE(TfrTemplNewForm::Execute(description, picture));
    EXPECT_EQ(description, QStringList { "kept" });
}

// The dictionary's variables: two categories with their variables and values.
TfrVariables sampleVariables()
{
    TfrVariables v;
    v.SetValue(QStringLiteral(" Абоненты"), Variant(QString()));
    v.SetValue(QStringLiteral("Долг"), Variant(QStringLiteral("[Customers.DEBT]")));
    v.SetValue(QStringLiteral("Имя"), Variant(QStringLiteral("[Customers.NAME]")));
    v.SetValue(QStringLiteral(" Платежи"), Variant(QString()));
    v.SetValue(QStringLiteral("Сумма"), Variant(QStringLiteral("[Payments.SUMMA]")));
    return v;
}

QStringList entries(const TfrVariables &v)
{
    QStringList result;
    for (int i = 0; i < v.GetCount(); ++i)
        result << v.GetName(i) + u'=' + v.GetValueAt(i).toString();
    return result;
}

TEST_F(DialogsVariablesList, RebuildsTheListFromTheEditedLinesKeepingValuesByName)
{
    const struct
    {
        const char *name;
        QString text;
        QStringList entries;
    } cases[] = {
        { "unchanged", QStringLiteral("Абоненты\n Долг\n Имя\nПлатежи\n Сумма"),
            { " Абоненты=", "Долг=[Customers.DEBT]", "Имя=[Customers.NAME]", " Платежи=", "Сумма=[Payments.SUMMA]" } },
        { "a variable renamed loses its value", QStringLiteral("Абоненты\n Задолженность\n Имя\nПлатежи\n Сумма"),
            { " Абоненты=", "Задолженность=", "Имя=[Customers.NAME]", " Платежи=", "Сумма=[Payments.SUMMA]" } },
        { "reordered lines keep their values", QStringLiteral("Платежи\n Сумма\nАбоненты\n Имя\n Долг"),
            { " Платежи=", "Сумма=[Payments.SUMMA]", " Абоненты=", "Имя=[Customers.NAME]", "Долг=[Customers.DEBT]" } },
        // However deep a variable is indented it stays a variable; lines of blanks go.
        { "deeper indentation", QStringLiteral("Абоненты\n  Долг\n   \n\nПлатежи\n      Сумма\n"),
            { " Абоненты=", "Долг=[Customers.DEBT]", " Платежи=", "Сумма=[Payments.SUMMA]" } },
        { "a variable moved to the margin becomes a category", QStringLiteral("Абоненты\nДолг"),
            { " Абоненты=", " Долг=" } },
        { "everything removed", QString(), {} },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TfrVariables variables = sampleVariables();
        QString shown;
        auto answer = whenShown<TfrVaredForm>([&](TfrVaredForm &f) {
            shown = f.Memo1->toPlainText();
            f.Memo1->setPlainText(c.text);
            QTest::mouseClick(f.Button4, Qt::LeftButton);
        });
        ASSERT_TRUE(TfrVaredForm::Execute(variables));
        EXPECT_EQ(shown, QStringLiteral("Абоненты\n Долг\n Имя\nПлатежи\n Сумма"))
            << "categories at the margin, their variables one blank in";
        EXPECT_EQ(entries(variables), c.entries);
    }
}

TEST_F(DialogsVariablesList, CancelLeavesTheListAsItWas)
{
    TfrVariables variables = sampleVariables();
    auto answer = whenShown<TfrVaredForm>([](TfrVaredForm &f) {
        f.Memo1->setPlainText(QStringLiteral("Другое"));
        QTest::mouseClick(f.Button5, Qt::LeftButton);
    });
    EXPECT_FALSE(TfrVaredForm::Execute(variables));
    EXPECT_EQ(entries(variables), entries(sampleVariables()));
}

} // namespace
