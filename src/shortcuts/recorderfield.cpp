#include "recorderfield.h"

#include "applicationmenushortcuts.h"
#include "globalshortcuts.h"
#include "hotkeycenter.h"
#include "keynames.h"
#include "modifierflags.h"
#include "notificationcenter.h"
#include "shortcutsstrings.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace GlobalShortcuts {

namespace {

// What the field shows of a shortcut: the desktop's notation, or the key's glyphs for a key that has no
// PC key (so that such a stored shortcut can still be seen and cleared).
QString shownText(const Shortcut& shortcut)
{
    const QString native = KeyNames::nativeText(shortcut);
    return native.isEmpty() ? shortcut.description() : native;
}

bool isModifierKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

QList<Shortcut> systemShortcuts()
{
    const HotKeyCenter* center = HotKeyCenter::shared();
    return center ? center->systemShortcuts() : QList<Shortcut>();
}

void showWarning(QWidget* window, const QString& message, const QString& informativeText)
{
    // On the heap: a window closed while the alert runs takes its alert with it.
    const QPointer<QMessageBox> box = new QMessageBox(
        QMessageBox::Warning, QGuiApplication::applicationDisplayName(), message, QMessageBox::Ok, window);
    box->setInformativeText(informativeText);
    if (window)
        box->setWindowModality(Qt::WindowModal);
    box->exec();
    delete box;
}

} // namespace

RecorderField::RecorderField(const Name& name, OnChange onChange, QWidget* parent)
    : QLineEdit(parent)
    , m_name(name)
    , m_onChange(std::move(onChange))
    , m_handler(&menuItemUsing, &systemShortcuts)
{
    // Nothing is typed, pasted or dropped into the field: it only shows what the keys recorded.
    setReadOnly(true);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setDragEnabled(false);
    setFocusPolicy(Qt::StrongFocus);

    setPlaceholderText(Strings::recordShortcut());
    setAlignment(Qt::AlignCenter);
    setMinimumWidth(minimumFieldWidth);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    m_clearAction =
        addAction(style()->standardIcon(QStyle::SP_LineEditClearButton), QLineEdit::TrailingPosition);
    m_clearAction->setObjectName(QStringLiteral("clearShortcut"));
    connect(m_clearAction, &QAction::triggered, this, &RecorderField::clearShortcut);

    showStoredShortcut();
    connect(this, &QLineEdit::textChanged, this, &QWidget::updateGeometry);

    connect(&NotificationCenter::defaultCenter(), &NotificationCenter::posted, this,
            [this](const QString& notification, const QVariantMap& userInfo) {
                // The desktop's own words for the keys replace ours once it reports them.
                if (notification == reportedTriggerDidChange && !isRecording())
                    showStoredShortcut();
                if (notification != shortcutByNameDidChange)
                    return;
                const QVariant changed = userInfo.value(QStringLiteral("name"));
                if (changed.canConvert<Name>() && changed.value<Name>().rawValue == m_name.rawValue)
                    showStoredShortcut();
            });
}

RecorderField::~RecorderField()
{
    // The widget's own teardown no longer reaches this class: end the recording here.
    stopRecording();
}

void RecorderField::setShortcutName(const Name& name)
{
    const bool isOtherName = name.rawValue != m_name.rawValue;
    m_name = name;
    if (isOtherName)
        showStoredShortcut();
}

void RecorderField::setAlertPresenter(AlertPresenter presenter)
{
    m_alertPresenter = std::move(presenter);
}

void RecorderField::setBeeper(Beeper beeper)
{
    m_beeper = std::move(beeper);
}

QSize RecorderField::sizeHint() const
{
    // Wide enough for what it shows, centred between the clear button and as much room on the other side:
    // the desktop's own words for the keys can be longer than ours.
    const int height = QLineEdit::sizeHint().height();
    const int needed = fontMetrics().horizontalAdvance(text()) + 2 * height;
    return QSize(std::max(minimumFieldWidth, needed), height);
}

bool RecorderField::event(QEvent* event)
{
    if (isRecording()) {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Every combination comes here as a key press: no window or menu shortcut fires.
            event->accept();
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return handleKeyEvent(static_cast<QKeyEvent*>(event));
        default:
            break;
        }
    }
    return QLineEdit::event(event);
}

bool RecorderField::handleKeyEvent(QKeyEvent* event)
{
    RecorderKeyEvent input;
    input.isPress = event->type() == QEvent::KeyPress;
    if (const std::optional<Shortcut> made = Shortcut::fromKeyEvent(*event))
        input.key = Key(made->carbonKeyCode());
    input.modifierFlags = ModifierFlag::fromQt(event->modifiers());
    input.isModifierKey = isModifierKey(event->key());
    const RecorderDecision decision = m_handler.handleKey(input);

    const QPointer<RecorderField> self(this);
    switch (decision.verdict) {
    case RecorderVerdict::passOn:
        return QLineEdit::event(event);
    case RecorderVerdict::moveFocus:
        QLineEdit::event(event);
        if (self && (hasFocus() || isRecording()))
            blur();
        return true;
    case RecorderVerdict::swallow:
        break;
    case RecorderVerdict::endRecording:
        blur();
        break;
    case RecorderVerdict::clear:
        if (m_clearAction->isVisible())
            m_clearAction->trigger();
        break;
    case RecorderVerdict::beep:
        if (m_beeper)
            m_beeper();
        else
            QApplication::beep();
        break;
    case RecorderVerdict::usedByMenuItem:
        blur();
        alert(Strings::usedByMenuItem(decision.menuItemTitle), QString());
        if (self)
            focus();
        break;
    case RecorderVerdict::usedBySystem:
        blur();
        alert(Strings::usedBySystem(), Strings::systemShortcutsCanBeChanged());
        if (self)
            focus();
        break;
    case RecorderVerdict::accept:
        accept(*decision.shortcut);
        break;
    }
    event->accept();
    return true;
}

bool RecorderField::eventFilter(QObject* watched, QEvent* event)
{
    // Mouse releases reach the widget under the pointer after its window: one look per click.
    if (isRecording() && event->type() == QEvent::MouseButtonRelease && watched->isWidgetType()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton) {
            constexpr int margin = RecorderKeyHandler::nearFieldMargin;
            const QPoint position = mapFromGlobal(mouse->globalPosition().toPoint());
            const bool isNear = rect().adjusted(-margin, -margin, margin, margin).contains(position);
            if (m_handler.handleMouseRelease(isNear).verdict == RecorderVerdict::endRecording) {
                blur();
                return true;
            }
        }
    }
    return QLineEdit::eventFilter(watched, event);
}

void RecorderField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    deselect(); // a tab into the field selects its text, which would look like something to edit
    startRecording();
}

void RecorderField::focusOutEvent(QFocusEvent* event)
{
    stopRecording();
    QLineEdit::focusOutEvent(event);
}

void RecorderField::hideEvent(QHideEvent* event)
{
    stopRecording();
    QLineEdit::hideEvent(event);
}

void RecorderField::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    // A centred line edit hides its placeholder while it has the focus, which is when recording shows
    // "press a shortcut".
    if (!hasFocus() || !text().isEmpty() || !(alignment() & Qt::AlignHCenter))
        return;
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect area =
        style()->subElementRect(QStyle::SE_LineEditContents, &option, this).marginsRemoved(textMargins());
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(area, Qt::AlignCenter,
                     fontMetrics().elidedText(placeholderText(), Qt::ElideRight, area.width()));
}

void RecorderField::startRecording()
{
    if (!m_handler.startRecording())
        return;
    setPlaceholderText(Strings::pressShortcut());
    updateClearButton();
    GlobalShortcuts::setPaused(true);
    qApp->installEventFilter(this);
    // Every key comes here while recording, also one another application has grabbed: its grab would
    // take the press before this field saw it, and the check could not say that it is taken.
    grabKeyboard();
}

void RecorderField::stopRecording()
{
    if (!m_handler.stopRecording())
        return;
    releaseKeyboard();
    qApp->removeEventFilter(this);
    setPlaceholderText(Strings::recordShortcut());
    updateClearButton();
    GlobalShortcuts::setPaused(false);
}

void RecorderField::showStoredShortcut()
{
    const std::optional<Shortcut> stored = getShortcut(m_name);
    const QString reported = stored ? reportedTrigger(m_name) : QString();
    setText(!reported.isEmpty() ? reported : stored ? shownText(*stored) : QString());
    updateClearButton();
}

void RecorderField::updateClearButton()
{
    m_clearAction->setVisible(!text().isEmpty());
}

void RecorderField::clearShortcut()
{
    setText(QString());
    if (getShortcut(m_name))
        GlobalShortcuts::setShortcut(std::nullopt, m_name);
    const QPointer<RecorderField> self(this);
    const OnChange onChange = m_onChange;
    if (onChange)
        onChange(std::nullopt);
    if (!self)
        return;
    updateClearButton();
    focus(); // recording goes on, waiting for the new combination
}

void RecorderField::accept(const Shortcut& shortcut)
{
    setText(shownText(shortcut));
    m_clearAction->setVisible(true);
    GlobalShortcuts::setShortcut(shortcut, m_name);
    const QPointer<RecorderField> self(this);
    const OnChange onChange = m_onChange;
    if (onChange)
        onChange(shortcut);
    if (self)
        blur();
}

void RecorderField::alert(const QString& message, const QString& informativeText)
{
    // A copy: the field may go away while the alert is up.
    if (const AlertPresenter presenter = m_alertPresenter)
        presenter(window(), message, informativeText);
    else
        showWarning(window(), message, informativeText);
}

void RecorderField::blur()
{
    if (window()->focusWidget() == this)
        clearFocus();
    stopRecording();
}

void RecorderField::focus()
{
    setFocus(Qt::OtherFocusReason);
}

} // namespace GlobalShortcuts
