#include "ui/qt/widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "platform/codec.h"

namespace qv {
namespace {

const QStringList kSongTiFaces{QStringLiteral("SimSun"), QStringLiteral("宋体"),
                               QStringLiteral("NSimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                               QStringLiteral("Noto Sans CJK SC")};

constexpr int kSingleLineFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
constexpr int kWrappedFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

/// Line breaks are written CR LF; the toolkit breaks on LF alone.
QString forDisplay(const Text& caption) {
    QString shown = toQString(caption);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

}  // namespace

QColor toQColor(Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

QFont fontFor(const FontSpec& spec) {
    QFont font;
    font.setFamilies(kSongTiFaces);
    font.setPixelSize(spec.pixelHeight > 0 ? spec.pixelHeight : kDefaultFontPixelHeight);
    font.setUnderline(spec.underline == Underline::Yes);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QString toQString(const Text& gbk) { return QString::fromStdString(platform::gbkToUtf8(gbk)); }

Text fromQString(const QString& text) { return platform::utf8ToGbk(text.toStdString()); }

CaptionLabel::CaptionLabel(const Text& caption, const LabelStyle& style, QWidget* parent)
    : QWidget(parent), m_caption(caption), m_shown(forDisplay(caption)), m_style(style) {
    setFont(fontFor(style.font));
}

void CaptionLabel::setCaption(const Text& caption) {
    m_caption = caption;
    m_shown = forDisplay(caption);
    update();
}

void CaptionLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(kButtonFace));
    if (m_style.frame == LabelFrame::SingleLine) {
        painter.setPen(Qt::black);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    painter.setFont(font());
    const int flags = m_style.flow == TextFlow::Wrapped ? kWrappedFlags : kSingleLineFlags;
    QRect textRect = rect();
    if (m_style.effect == TextEffect::Engraved) {
        painter.setPen(toQColor(kWhite));
        painter.drawText(textRect, flags, m_shown);
        textRect.translate(1, 1);
    }
    painter.setPen(toQColor(m_style.text));
    painter.drawText(textRect, flags, m_shown);
}

TransparentLabel::TransparentLabel(const Text& caption, QWidget* parent)
    : QWidget(parent), m_caption(caption) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFont(fontFor({}));
}

void TransparentLabel::setCaption(const Text& caption) {
    m_caption = caption;
    update();
}

void TransparentLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setFont(font());
    painter.drawText(rect(), kSingleLineFlags, forDisplay(m_caption));
}

void TransparentLabel::mousePressEvent(QMouseEvent* event) { event->accept(); }

FramedGroup::FramedGroup(const Text& caption, Rgb background, QWidget* parent)
    : QGroupBox(toQString(caption), parent) {
    QPalette colours = palette();
    colours.setColor(QPalette::Window, toQColor(background));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);
}

EditBox::EditBox(const Text& text, QWidget* parent) : QLineEdit(toQString(text), parent) {
    setMaxLength(32767);
}

Text EditBox::text() const { return fromQString(QLineEdit::text()); }

void EditBox::setText(const Text& text) { QLineEdit::setText(toQString(text)); }

RadioButton::RadioButton(const Text& caption, QWidget* parent)
    : QRadioButton(toQString(caption), parent) {}

void RadioButton::setChecked(bool checked) {
    // An auto-exclusive button would clear its neighbour, and could not be
    // cleared itself while it is the checked one.
    setAutoExclusive(false);
    QRadioButton::setChecked(checked);
    setAutoExclusive(true);
}

PushButton::PushButton(const Text& caption, QWidget* parent)
    : QPushButton(toQString(caption), parent) {
    setAutoDefault(false);
}

void PushButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const int pressedShift = isDown() ? 1 : 0;
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::ButtonText));
    painter.drawText(rect().translated(pressedShift, pressedShift),
                     Qt::AlignCenter | Qt::TextSingleLine, text());
}

CheckBox::CheckBox(const Text& caption, QWidget* parent) : QCheckBox(toQString(caption), parent) {}

void CheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect captionRect = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    option.text.clear();
    painter.drawControl(QStyle::CE_CheckBox, option);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::WindowText));
    painter.drawText(captionRect, Qt::AlignCenter | Qt::TextSingleLine, text());
}

}  // namespace qv
