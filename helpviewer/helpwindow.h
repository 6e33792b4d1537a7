// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QUrl>
#include <QWidget>

#include <atomic>
#include <memory>

class ChmBrowser;
class ChmFile;
class QAction;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QThread;
class QTreeWidget;
class QTreeWidgetItem;
struct SitemapEntry;

// One help file's window, laid out as the compiled HTML Help viewer lays it out: a navigation
// pane the user can hide (目次 the file's contents, 索引 its index, 検索 a search of every page)
// beside the page, under a toolbar (戻る, 進む, ホーム, 印刷, 拡大, 縮小, ページ内の検索).
class HelpWindow : public QWidget
{
    Q_OBJECT

public:
    HelpWindow(std::unique_ptr<ChmFile> file, const QString &fileName, QWidget *owner);
    ~HelpWindow() override;

    // Where its author asked the window to stand; null when the file does not say.
    QRect definedPlace() const;
    // Shows or hides the navigation pane, as its toolbar button does.
    void showNavigation(bool shown);

    // Shows a page of the file: "/path.html#part", relative to the page shown.
    void open(const QString &local);
    // Full-text search, as the 検索 pane runs it: matching pages' titles in the results list,
    // as they are found while the pages are first read.
    void search(const QString &text);

signals:
    // The search has been through every page.
    void searchFinished();

private:
    struct Page
    {
        QString path, title, text; // text folded for searching
    };

    void createToolBar();
    void createPanes();
    void fillContents(QTreeWidgetItem *parent, const QList<SitemapEntry> &entries);
    void fillIndex(const QList<SitemapEntry> &entries, int depth);
    void filterIndex(const QString &typed);
    void openIndexEntry(QListWidgetItem *item);
    void followInContents();
    void highlight(const QString &folded);
    void findInPage();
    void switchPane();
    void print();
    const QList<Page> &pages();
    static Page pageOf(const ChmFile &file, const QString &path, const QByteArray &bytes);
    void scanPages();
    void addPages(const QList<Page> &read, bool complete);
    void addResult(const Page &page);
    void finishSearch();

    std::unique_ptr<ChmFile> m_file;
    ChmBrowser *m_page = nullptr;
    QTabWidget *m_panes = nullptr;
    QTreeWidget *m_contents = nullptr;
    QLineEdit *m_indexFilter = nullptr;
    QListWidget *m_index = nullptr;
    QLineEdit *m_searchText = nullptr;
    QListWidget *m_results = nullptr;
    QLineEdit *m_find = nullptr;
    QAction *m_navigation = nullptr;
    QHash<QString, QTreeWidgetItem *> m_contentsByPath;
    QList<Page> m_pages; // read at the first search
    bool m_pagesComplete = false;
    QThread *m_scanner = nullptr;
    std::shared_ptr<std::atomic_bool> m_stopScan = std::make_shared<std::atomic_bool>(false);
    QString m_searchKey; // folded
};
