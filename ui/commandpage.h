#ifndef COMMANDPAGE_H
#define COMMANDPAGE_H

#include "commands/frames.h"
#include "commands/replydecoder.h"

#include <QByteArrayList>
#include <QColor>
#include <QObject>
#include <QVector>

#include <functional>

namespace Ui {
class MainWindow;
}

class ModuleLink;
class QAbstractButton;
class QLineEdit;
class QWidget;

// The "Display Test" page: every button sends one command over the link,
// with the values its widgets hold; replies land in the page's result
// fields. The buttons are one table, connected in one loop.
class CommandPage : public QObject
{
    Q_OBJECT

public:
    CommandPage(Ui::MainWindow &form, ModuleLink &link, QWidget *window);

    QColor textColor() const { return foreground; }
    void setTextColor(const QColor &color) { foreground = color; }
    QColor backgroundColor() const { return background; }
    void setBackgroundColor(const QColor &color) { background = color; }

    // A script statement's writes, sent as its button sends them: the
    // checked buttons follow, the result field clears, the frame is logged.
    void sendStatement(Command id, const ArgValues &values, const QByteArrayList &writes);
    // The reply's fields: SD result, serial number, touch position.
    void showReply(const Reply &reply);

signals:
    // About to send a command of this page (for recording into a script).
    void commandSending(Command id, const ArgValues &values, const QByteArray &text,
                        bool extendedMode);
    // About to send a local file to the card.
    void fileSending(int fileNumber, const QString &path);
    // A line of text for the log pane, and a message for the status bar.
    void logged(const QString &text);
    void status(const QString &text);

private:
    // One value of a frame: read from a widget when the button is clicked.
    using ValueSource = std::function<qint64()>;

    struct CommandButton
    {
        CommandButton(QAbstractButton *button, Command command, QVector<ValueSource> values = {},
                      QLineEdit *text = nullptr, QVector<QAbstractButton *> group = {})
            : button(button), command(command), values(std::move(values)), text(text),
              group(std::move(group))
        {
        }

        QAbstractButton *button;
        Command command;
        QVector<ValueSource> values;      // in the frame's order
        QLineEdit *text;                  // the text argument, if any
        QVector<QAbstractButton *> group; // checked alone among these when clicked
    };

    QVector<CommandButton> commandButtons();
    void connectButtons();
    TouchProtocolCode touchProtocol() const;
    void send(const CommandButton &entry);
    QByteArray sendCommand(Command id, const ArgValues &values, const QByteArray &textBytes = {});
    void logFrame(Command id, const QByteArray &frame);
    void showSentState(Command id, const ArgValues &values);
    void sendFileToCard();
    void runDemo();

    Ui::MainWindow &ui;
    ModuleLink &link;
    QWidget *window; // parent of the dialogs
    // What the "Color Selector" dialogs picked. Invalid until then, which the
    // module receives as black (0x0000).
    QColor foreground;
    QColor background;
};

#endif // COMMANDPAGE_H
