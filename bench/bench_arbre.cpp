// Loading a folder of 5,000 sub-folders (each with one sub-folder) into the folder tree,
// beside the same listings done bare: one readdir of the folder and one of each child.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include "controls/FolderTreeView.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kDossiers = 5000;
constexpr int kTours = 7;

class TUnVolume final : public IFournisseurVolumes {
public:
    explicit TUnVolume(const QString &point) { m_volume.PointMontage = point; }
    QList<TVolume> Volumes() const override { return {m_volume}; }
    QString DossierBureau() const override { return {}; }
    QString DossierDocuments() const override { return {}; }

private:
    TVolume m_volume;
};

// The floor: list the folder, then read each child until its first sub-folder.
int ListerNu(const QByteArray &chemin)
{
    int trouves = 0;
    DIR *d = opendir(chemin.constData());
    if (!d)
        return 0;
    const int dfd = dirfd(d);
    while (const dirent *e = readdir(d)) {
        if (e->d_name[0] == '.' || e->d_type != DT_DIR)
            continue;
        const int fd = openat(dfd, e->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (DIR *s = fd >= 0 ? fdopendir(fd) : nullptr) {
            while (const dirent *f = readdir(s))
                if (f->d_name[0] != '.' && f->d_type == DT_DIR) {
                    ++trouves;
                    break;
                }
            closedir(s);
        }
    }
    closedir(d);
    return trouves;
}

template <typename F> double Mediane(F &&f)
{
    QList<double> ms;
    for (int i = 0; i < kTours; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        ms.append(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[kTours / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); // captions sorted the French way
    QTemporaryDir tmp;
    const QString base = tmp.path() + u'/';
    for (int i = 0; i < kDossiers; ++i)
        QDir().mkpath(base + u"Dossier %1/Sous"_s.arg(i, 4, 10, QChar(u'0')));

    TUnVolume volume(base);
    TFolderTreeView tree(nullptr, &volume);
    tree.resize(400, 600);
    tree.Populate();
    QTreeWidgetItem *racine = tree.topLevelItem(0);

    int nu = 0;
    const double msNu = Mediane([&] { nu = ListerNu(QFile::encodeName(base)); });
    const double msArbre = Mediane([&] { tree.LoadChildren(racine); });
    // The user's way: expanding the node in a shown tree, painted once.
    tree.show();
    const double msDeploiement = Mediane([&] {
        tree.collapseItem(racine);
        TFolderTreeView::Info(racine)->Loaded = false;
        tree.expandItem(racine);
        QApplication::processEvents();
    });

    if (nu != kDossiers || racine->childCount() != kDossiers) {
        std::fprintf(stderr, "wrong counts: bare %d, tree %d\n", nu, racine->childCount());
        return 1;
    }
    std::printf("folder of %d sub-folders, each with one sub-folder (median of %d runs)\n", kDossiers, kTours);
    std::printf("  bare listings (readdir + one per child): %8.2f ms\n", msNu);
    std::printf("  LoadChildren (listings, sort, nodes):    %8.2f ms   ratio %.2f\n", msArbre, msArbre / msNu);
    std::printf("  expanding in a shown tree, painted:      %8.2f ms   ratio %.2f\n", msDeploiement, msDeploiement / msNu);
    return 0;
}
