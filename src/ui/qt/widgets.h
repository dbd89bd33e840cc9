#pragma once

#include <QCheckBox>
#include <QColor>
#include <QFont>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include "ui/controls.h"
#include "ui/window_template.h"

// The control kinds of the main window as widgets, each implementing the
// control properties the handlers use. Captions are kept as GBK texts and
// shown through the codec.

namespace qv {

QColor toQColor(Rgb rgb);
/// 宋体 where installed, else a CJK face that is; sizes in pixels and no
/// smoothing, as the small bitmap faces draw.
QFont fontFor(const FontSpec& spec);
QString toQString(const Text& gbk);
Text fromQString(const QString& text);

/// A label drawing its own caption: background, optional frame, optional
/// engraved white copy one pixel up and left of the coloured text. Presses
/// pass on to the window, which drags.
class CaptionLabel final : public QWidget, public LabelControl {
    Q_OBJECT
public:
    CaptionLabel(const Text& caption, const LabelStyle& style, QWidget* parent);

    Text caption() const override { return m_caption; }
    void setCaption(const Text& caption) override;
    const LabelStyle& style() const { return m_style; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Text m_caption;
    QString m_shown;
    LabelStyle m_style;
};

/// Draws only its caption over what lies beneath, and keeps presses.
class TransparentLabel final : public QWidget, public LabelControl {
    Q_OBJECT
public:
    TransparentLabel(const Text& caption, QWidget* parent);

    Text caption() const override { return m_caption; }
    void setCaption(const Text& caption) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    Text m_caption;
};

/// A group box filled with its background colour; presses pass on to the
/// window.
class FramedGroup final : public QGroupBox {
    Q_OBJECT
public:
    FramedGroup(const Text& caption, Rgb background, QWidget* parent);
};

class EditBox final : public QLineEdit, public EditControl {
    Q_OBJECT
public:
    EditBox(const Text& text, QWidget* parent);

    Text text() const override;
    void setText(const Text& text) override;
    bool disabled() const override { return !isEnabled(); }
    void setDisabled(bool disabled) override { QLineEdit::setEnabled(!disabled); }
};

/// A radio button whose Checked property never touches the other button of
/// its group; a user's click still does.
class RadioButton final : public QRadioButton, public CheckControl {
    Q_OBJECT
public:
    RadioButton(const Text& caption, QWidget* parent);

    bool checked() const override { return isChecked(); }
    void setChecked(bool checked) override;
};

/// A push button whose caption is centred on the whole face: the style's
/// margins would cut a four-character caption on a 56-pixel button.
class PushButton final : public QPushButton {
    Q_OBJECT
public:
    PushButton(const Text& caption, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class CheckBox final : public QCheckBox, public CheckControl {
    Q_OBJECT
public:
    CheckBox(const Text& caption, QWidget* parent);

    bool checked() const override { return isChecked(); }
    void setChecked(bool checked) override { QCheckBox::setChecked(checked); }

protected:
    /// The caption is centred in the room right of the box.
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace qv
