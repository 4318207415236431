#pragma once

#include "IniFile.h"

#include "HelpContent.h"

#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class Drucken;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPrinter;
class QPushButton;
class QTextEdit;

// The help viewer's window: one topic at a time, a topics menu, back through
// the topics seen, three text sizes, window order and printing.
class Hilfe final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Hilfe)

public:
    static constexpr int TopicCount = HelpContent::TopicCount;
    using PrinterFactory = std::function<std::unique_ptr<QPrinter>()>;

    explicit Hilfe(QWidget *parent = nullptr);

    // Checks the viewer's argument and its help content file, tells the user
    // what is wrong, and shows the window at the start topic. False when the
    // viewer is to end instead.
    bool start(const QString &argument);

    QString fileName() const { return m_file; }         // TFile
    QString startTopic() const { return m_startTopic; } // TContents
    QStringList history() const { return m_history; }   // LThemeHystory

    // The printer to print on; the default printer unless set.
    void setPrinterFactory(PrinterFactory factory);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildMenus();
    void applyLayout();
    void setHeading(const QString &heading);
    void setText(const QString &text);
    void fitText();

    void showTopic(int topic); // chosen from the topics menu
    void back();
    void printTopic();
    void copyTopic();
    void setTextSize(int points);
    void setTopmost(bool topmost);

    QString m_file;
    IniFiles::Snapshot m_content; // the help file as read at start
    QString m_startTopic;
    QStringList m_history;

    QPushButton *m_topicsButton = nullptr;  // CThemen
    QPushButton *m_backButton = nullptr;    // CZurück
    QPushButton *m_optionsButton = nullptr; // COptionen
    QPushButton *m_quitButton = nullptr;    // CBeenden
    QFrame *m_line = nullptr;               // Titellinie
    QFrame *m_background = nullptr;         // LBack
    QTextEdit *m_heading = nullptr;         // LTitel
    QLabel *m_icon = nullptr;
    QTextEdit *m_text = nullptr; // LText; a long text scrolls

    QMenu *m_topicsMenu = nullptr;  // Themen
    QMenu *m_optionsMenu = nullptr; // Optionen
    std::array<QAction *, TopicCount> m_topics{};
    std::array<QString, TopicCount> m_titles; // as in the file; the menu escapes "&"

    Drucken *m_printLayout = nullptr;
    PrinterFactory m_printerFactory;
};
