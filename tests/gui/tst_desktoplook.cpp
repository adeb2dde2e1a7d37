// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopschemes.h"
#include "panel/aboutbox.h"
#include "windowfixture.h"

#include <QGroupBox>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QTabWidget>

#include <cmath>

// The window, the direct access dialog and the About box as desktops show
// them: with their own font and colour scheme handed to the application
// before the window is built. Every text must show whole, and every field
// the program colours must keep its text readable.
namespace {

const char *const families[] = {"DejaVu Sans", "Noto Sans", "Cantarell"};
constexpr int smallestPoints = 8;
constexpr int largestPoints = 12;
constexpr double leastContrast = 4.5;

// Colours the fields must show, whatever the scheme: black text on these.
constexpr QRgb ready = qRgb(188, 248, 182);
constexpr QRgb fault = qRgb(247, 166, 168);
constexpr QRgb indicatorOn = qRgb(234, 137, 143);
constexpr QRgb indicatorOff = qRgb(209, 209, 209);
constexpr QRgb black = qRgb(0, 0, 0);
const char *const indicatorNames[] = {"le0d0", "le0d1", "le0d2", "le0d3", "lio0003", "lio0202"};

QList<std::pair<QRgb, QRgb>> blackOn(std::initializer_list<QRgb> backgrounds)
{
    QList<std::pair<QRgb, QRgb>> fields;
    for (QRgb background : backgrounds)
        fields << std::make_pair(background, black);
    return fields;
}

// Relative luminance and contrast ratio as the WCAG define them.
double luminance(const QColor &c)
{
    const auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QString describe(const QWidget *w)
{
    return QStringLiteral("%1 (%2)").arg(w->objectName(), w->window()->windowTitle());
}

// Where a widget draws its one line of text, the text itself, and the area
// the text is clipped to; an empty text means nothing to check.
struct TextPlace
{
    QString text;
    QRect rect;
    QRect clip;
};

TextPlace textPlace(const QWidget *w)
{
    const QStyle *style = w->style();
    if (auto *label = qobject_cast<const QLabel *>(w)) {
        if (label->textFormat() == Qt::RichText || label->wordWrap() || label->text().isEmpty())
            return {};
        const int inset = label->margin() + std::max(label->indent(), 0);
        return {label->text(), label->contentsRect().adjusted(inset, 0, -inset, 0), label->rect()};
    }
    if (auto *box = qobject_cast<const QCheckBox *>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(box);
        return {box->text(), style->subElementRect(QStyle::SE_CheckBoxContents, &opt, box), box->rect()};
    }
    if (auto *button = qobject_cast<const QPushButton *>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(button);
        return {button->text(), style->subElementRect(QStyle::SE_PushButtonContents, &opt, button),
                button->rect()};
    }
    if (auto *edit = qobject_cast<const QLineEdit *>(w)) {
        QStyleOptionFrame opt;
        opt.initFrom(edit);
        opt.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
        // QLineEdit keeps two more pixels clear on either side of its text.
        constexpr int sideGap = 2;
        const QRect r = style->subElementRect(QStyle::SE_LineEditContents, &opt, edit)
                                .marginsRemoved(edit->textMargins());
        return {edit->text(), r.adjusted(sideGap, 0, -sideGap, 0), r};
    }
    if (auto *combo = qobject_cast<const QComboBox *>(w)) {
        QStyleOptionComboBox opt;
        opt.initFrom(combo);
        const QRect r = style->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo);
        return {combo->currentText(), r, r};
    }
    if (auto *group = qobject_cast<const QGroupBox *>(w)) {
        QStyleOptionGroupBox opt;
        opt.initFrom(group);
        opt.text = group->title();
        opt.subControls = QStyle::SC_GroupBoxLabel;
        return {group->title(),
                style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, group),
                group->rect()};
    }
    return {};
}

// Why the widget's text does not show whole, or an empty string.
QString clipping(const QWidget *w, const QWidget *root)
{
    for (const QWidget *p = w; p != root; p = p->parentWidget()) {
        const QRect inParent(p->mapTo(p->parentWidget(), QPoint(0, 0)), p->size());
        if (!p->parentWidget()->rect().contains(inParent))
            return QStringLiteral("%1 reaches out of %2").arg(describe(w), p->parentWidget()->objectName());
    }
    const TextPlace place = textPlace(w);
    auto *label = qobject_cast<const QLabel *>(w);
    if (label && place.text.isEmpty()) {
        // Rich text, wrapped text and pictures: the label knows what they need.
        QSize need = label->sizeHint();
        if (label->wordWrap()) {
            const QStringList words = label->text().split(QLatin1Char(' '));
            need = QSize(0, label->heightForWidth(label->width()));
            for (const QString &word : words)
                need.setWidth(std::max(need.width(), w->fontMetrics().horizontalAdvance(word)));
        }
        if (need.width() > label->width() || need.height() > label->height())
            return QStringLiteral("%1 needs %2x%3, has %4x%5").arg(describe(w)).arg(need.width())
                    .arg(need.height()).arg(label->width()).arg(label->height());
    }
    if (place.text.trimmed().isEmpty())
        return {};
    const QFontMetrics fm = w->fontMetrics();
    const int advance = fm.horizontalAdvance(place.text);
    if (advance > place.rect.width() || !place.clip.contains(place.rect))
        return QStringLiteral("%1: \"%2\" needs %3 px, has %4").arg(describe(w), place.text)
                .arg(advance).arg(place.rect.width());
    // Centred vertically, as every text here is: its ink must stay inside,
    // but for a pixel that the outward rounding of the ink box may add, and
    // that glyphs such as parentheses may overshoot the font's own line
    // height by, which is all the height Qt gives a label.
    const int baseline = place.rect.top() + (place.rect.height() - fm.height()) / 2 + fm.ascent();
    const QRect ink = fm.tightBoundingRect(place.text).translated(0, baseline).adjusted(0, 1, 0, -1);
    if (ink.top() < place.clip.top() || ink.bottom() > place.clip.bottom())
        return QStringLiteral("%1: \"%2\" inked %3..%4, shows %5..%6").arg(describe(w), place.text)
                .arg(ink.top()).arg(ink.bottom()).arg(place.clip.top()).arg(place.clip.bottom());
    return {};
}

// The colour roles of a widget's text and of the background under it.
std::pair<QPalette::ColorRole, QPalette::ColorRole> textAndBackground(const QWidget *w)
{
    if (qobject_cast<const QLineEdit *>(w))
        return {QPalette::Text, QPalette::Base};
    if (qobject_cast<const QPushButton *>(w))
        return {QPalette::ButtonText, QPalette::Button};
    return {QPalette::WindowText, QPalette::Window};
}

// The colours of a field's background and text.
std::pair<QRgb, QRgb> shownColours(const QWidget *w)
{
    const auto [text, back] = textAndBackground(w);
    return {w->palette().color(back).rgb(), w->palette().color(text).rgb()};
}

QString lowContrast(const QWidget *w)
{
    const auto [text, back] = textAndBackground(w);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        const double ratio = contrast(w->palette().color(group, text), w->palette().color(group, back));
        if (ratio < leastContrast)
            return QStringLiteral("%1: contrast %2").arg(describe(w)).arg(ratio, 0, 'f', 2);
    }
    return {};
}

// Every problem of the widgets in the window of root that the user sees now.
QStringList problems(QWidget *root)
{
    // A change of text or font lays the window out again on the next turns
    // of the event loop, one level of layouts a turn.
    const auto geometries = [root] {
        QList<QRect> all;
        for (const QWidget *w : root->findChildren<QWidget *>())
            all << w->geometry();
        return all;
    };
    for (QList<QRect> before; before != geometries();) {
        before = geometries();
        QApplication::processEvents();
    }
    QStringList found;
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (w->window() != root || !w->isVisible())
            continue;
        for (const QString &problem : {clipping(w, root), lowContrast(w)}) {
            if (!problem.isEmpty())
                found << problem;
        }
    }
    return found;
}

} // namespace

class TestDesktopLook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void textsShowWholeAndReadable_data();
    void textsShowWholeAndReadable();

private:
    QFont qtFont;
    QPalette qtPalette;
};

void TestDesktopLook::initTestCase()
{
    qtFont = QApplication::font();
    qtPalette = QApplication::palette();
    for (const char *family : families) {
        QVERIFY2(QFontInfo(QFont(QLatin1String(family))).family() == QLatin1String(family),
                 qPrintable(QStringLiteral("font family %1 is not installed (tools/setup.sh installs it)")
                                    .arg(QLatin1String(family))));
    }
    // Qt reads QT_SCALE_FACTOR once, at start; ctest runs this test at several.
    QWidget probe;
    probe.show();
    QVERIFY(QTest::qWaitForWindowExposed(&probe));
    QCOMPARE(probe.devicePixelRatioF(), qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble());
}

void TestDesktopLook::cleanup()
{
    QApplication::setFont(qtFont);
    QApplication::setPalette(qtPalette);
}

void TestDesktopLook::textsShowWholeAndReadable_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("points");
    for (bool dark : {false, true}) {
        for (const char *family : families) {
            for (int points = smallestPoints; points <= largestPoints; ++points)
                QTest::addRow("%s %s %d pt", dark ? "dark" : "light", family, points)
                        << dark << QString::fromLatin1(family) << points;
        }
    }
}

void TestDesktopLook::textsShowWholeAndReadable()
{
    QFETCH(bool, dark);
    QFETCH(QString, family);
    QFETCH(int, points);
    const QFont desktopFont(family, points);
    QApplication::setFont(desktopFont);
    QApplication::setPalette(dark ? darkScheme() : qtPalette);

    // Status bits 0 and 2 and the IRQ pin high, the rest low.
    WindowFixture f(true, [](WindowFixture &fx) {
        fx.board.registers[0x0d] = 0x05;
        fx.board.pinLevels[{1, 3}] = 1;
    });
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QCOMPARE(QFontInfo(f.find<QLabel>("label_5")->font()).family(), family);
    const auto indicatorColours = [&f] {
        QList<std::pair<QRgb, QRgb>> shown;
        for (const char *name : indicatorNames)
            shown << shownColours(f.find<QLineEdit>(QLatin1String(name)));
        return shown;
    };

    QStringList found = problems(f.window.get());
    QCOMPARE(shownColours(f.stateLabel()), std::make_pair(ready, black));
    QCOMPARE(indicatorColours(), blackOn({indicatorOn, indicatorOff, indicatorOn, indicatorOff,
                                          indicatorOn, indicatorOff}));
    auto *tabs = f.find<QTabWidget>("tabWidget");
    tabs->setCurrentIndex(1);
    found << problems(f.window.get());
    tabs->setCurrentIndex(0);

    // The board goes away at a poll: the link fails and every bit reads set.
    f.board.present = false;
    f.invoke("timer_func");
    found << problems(f.window.get());
    QCOMPARE(shownColours(f.stateLabel()), std::make_pair(fault, black));
    QCOMPARE(indicatorColours(), blackOn({indicatorOn, indicatorOn, indicatorOn, indicatorOn,
                                          indicatorOn, indicatorOn}));

    f.window->findChild<QAction *>("actionDirect_Register_Access")->trigger();
    auto *dialog = f.find<QDialog>("direct_access");
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QCOMPARE(dialog->font(), desktopFont);
    found << problems(dialog);

    // The About box runs its own event loop, and is looked at from inside it.
    bool aboutSeen = false;
    QTimer::singleShot(0, f.window.get(), [&] {
        if (auto *box = qobject_cast<AboutBox *>(QApplication::activeModalWidget())) {
            aboutSeen = true;
            found << problems(box);
            box->close();
        }
    });
    f.window->findChild<QAction *>("actionAbout")->trigger();
    QVERIFY(aboutSeen);

    // The desktop's font grows while the program runs.
    QApplication::setFont(QFont(family, largestPoints));
    found << problems(f.window.get());

    found.removeDuplicates();
    QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1String("\n   "))));
}

QTEST_MAIN(TestDesktopLook)
#include "tst_desktoplook.moc"
