#ifndef WINDOWTEST_H
#define WINDOWTEST_H

#include "ptypair.h"
#include "serial/modulelink.h"
#include "ui/commandpage.h"
#include "ui/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QStatusBar>
#include <QTimer>
#include <QVariantMap>
#include <QtTest>
#include <functional>
#include <memory>

// Answers the next modal dialog the window opens (file and colour dialogs
// are modal and block the slot under test): `answer` gets the dialog and
// accepts or rejects it. Polls briefly because the dialog appears only once
// the slot has started its own event loop.
template <typename Dialog>
void answerNextDialog(std::function<void(Dialog *)> answer, int attempts = 200)
{
    QTimer::singleShot(10, [answer, attempts]() {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (dialog)
            answer(dialog);
        else if (attempts > 0)
            answerNextDialog<Dialog>(answer, attempts - 1);
    });
}

// A real MainWindow driven through its widgets, found by object name.
class BenchWindow
{
public:
    template <typename Widget = QAbstractButton> Widget *get(const char *name) const
    {
        Widget *found = window->findChild<Widget *>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    void click(const char *name) const { get(name)->click(); }
    QString status() const { return window->statusBar()->currentMessage(); }

    // Values go to each widget's user property (value, text, checked); combo
    // boxes take an index.
    void setWidgets(const QVariantMap &values) const
    {
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            QWidget *target = get<QWidget>(qPrintable(it.key()));
            if (auto *combo = qobject_cast<QComboBox *>(target))
                combo->setCurrentIndex(it.value().toInt());
            else
                QVERIFY(target->metaObject()->userProperty().write(target, it.value()));
        }
    }

    // Picks `device` in the port list and opens it as a user would.
    bool openPort(const QString &device) const
    {
        auto *ports = get<QComboBox>("serialPortList");
        ports->addItem(device);
        ports->setCurrentIndex(ports->count() - 1);
        click("openSerialPort");
        return port().isOpen();
    }

    // The window's line to the module, and its port.
    ModuleLink &link() const { return *get<ModuleLink>("moduleLink"); }
    QSerialPort &port() const { return link().port(); }
    CommandPage &commands() const { return *get<CommandPage>("commandPage"); }

    std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>();
};

// A fresh window with its port open on a fresh pseudo-terminal, the test
// playing the module at the far end; false when either cannot be had.
inline bool openWindowOnLine(std::unique_ptr<BenchWindow> &bench, std::unique_ptr<PtyPair> &pty)
{
    bench = std::make_unique<BenchWindow>();
    pty = std::make_unique<PtyPair>();
    return pty->isOpen() && bench->openPort(pty->slavePath());
}

#endif // WINDOWTEST_H
