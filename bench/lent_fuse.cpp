// The slow passthrough file system of the benchmarks, on libfuse 3's high-level API.
#define FUSE_USE_VERSION 314
#include "lent_fuse.h"

#include <fuse3/fuse.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TFuseLent *Instance()
{
    return static_cast<TFuseLent *>(fuse_get_context()->private_data);
}

QByteArray Chemin(const char *chemin) { return Instance()->Source() + chemin; }

// Counts a request while it is served.
struct TRequete {
    TFuseLent *fs = Instance();
    TRequete() { fs->Entrer(); }
    ~TRequete() { fs->Sortir(); }
};

void *Init(fuse_conn_info *conn, fuse_config *cfg)
{
    TFuseLent *fs = Instance();
    cfg->entry_timeout = 0;
    cfg->attr_timeout = 0;
    cfg->negative_timeout = 0;
    cfg->direct_io = 1;
    cfg->kernel_cache = 0;
    cfg->auto_cache = 0;
    // Many requests in flight: the background queue (asynchronous reads) is raised, and
    // lookups in one folder may run in parallel.
    conn->max_background = 256;
    conn->congestion_threshold = 192;
    if (conn->capable & FUSE_CAP_PARALLEL_DIROPS)
        conn->want |= FUSE_CAP_PARALLEL_DIROPS;
    // A plain listing: READDIRPLUS would hand the attributes over with the names and let
    // the stat calls that follow skip the wait.
    conn->want &= ~(FUSE_CAP_READDIRPLUS | FUSE_CAP_READDIRPLUS_AUTO);
    fs->compteurs.maxBackground = conn->max_background;
    fs->compteurs.congestion = conn->congestion_threshold;
    fs->compteurs.paralleleDossiers = (conn->want & FUSE_CAP_PARALLEL_DIROPS) ? 1 : 0;
    return fs;
}

int GetAttr(const char *chemin, struct stat *st, fuse_file_info *fi)
{
    TRequete r;
    ++r.fs->compteurs.stats;
    r.fs->Attendre();
    const int res = fi ? ::fstat(int(fi->fh), st) : ::lstat(Chemin(chemin).constData(), st);
    return res == 0 ? 0 : -errno;
}

int Open(const char *chemin, fuse_file_info *fi)
{
    TRequete r;
    ++r.fs->compteurs.ouvertures;
    r.fs->Attendre();
    if ((fi->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    const int fd = ::open(Chemin(chemin).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    fi->fh = uint64_t(fd);
    fi->direct_io = 1;
    return 0;
}

int Read(const char *, char *tampon, size_t taille, off_t position, fuse_file_info *fi)
{
    TRequete r;
    ++r.fs->compteurs.lectures;
    r.fs->Attendre();
    const ssize_t lus = ::pread(int(fi->fh), tampon, taille, position);
    return lus < 0 ? -errno : int(lus);
}

int Release(const char *, fuse_file_info *fi)
{
    ::close(int(fi->fh));
    return 0;
}

int ReadDir(const char *chemin, void *tampon, fuse_fill_dir_t remplir, off_t, fuse_file_info *,
            fuse_readdir_flags)
{
    DIR *d = ::opendir(Chemin(chemin).constData());
    if (!d)
        return -errno;
    while (const dirent *e = ::readdir(d)) {
        struct stat st {};
        st.st_ino = e->d_ino;
        st.st_mode = mode_t(DTTOIF(e->d_type));
        if (remplir(tampon, e->d_name, &st, 0, fuse_fill_dir_flags(0)) != 0)
            break;
    }
    ::closedir(d);
    return 0;
}

const fuse_operations kOperations = [] {
    fuse_operations ops{};
    ops.init = Init;
    ops.getattr = GetAttr;
    ops.open = Open;
    ops.read = Read;
    ops.release = Release;
    ops.readdir = ReadDir;
    return ops;
}();

// Where a signal finds the mount to detach, so that an interrupted benchmark leaves none:
// the passes then fail at once on the empty folder, and the run ends through its own
// clean-up (temporary folders removed).
char g_pointSignal[4096];
volatile std::sig_atomic_t g_interrompu = 0;

void SurSignal(int)
{
    g_interrompu = 1;
    if (g_pointSignal[0])
        ::umount2(g_pointSignal, MNT_DETACH);
}

} // namespace

TFuseLent::TFuseLent(const QByteArray &source, const QByteArray &pointMontage,
                     std::chrono::microseconds delai, int filsMax)
    : m_source(source.endsWith('/') ? source.chopped(1) : source),
      m_point(pointMontage),
      m_delai(delai),
      m_filsMax(filsMax)
{
}

TFuseLent::~TFuseLent() { Demonter(); }

bool TFuseLent::Interrompu() { return g_interrompu != 0; }

void TFuseLent::Attendre()
{
    if (m_delai.count() > 0)
        std::this_thread::sleep_for(m_delai); // a sleep: the processor stays free
}

void TFuseLent::Entrer()
{
    const int n = ++compteurs.enCours;
    int max = compteurs.enCoursMax.load();
    while (n > max && !compteurs.enCoursMax.compare_exchange_weak(max, n)) {
    }
}

void TFuseLent::Sortir() { --compteurs.enCours; }

void TFuseLent::RemettreCompteurs()
{
    compteurs.stats = 0;
    compteurs.ouvertures = 0;
    compteurs.lectures = 0;
    compteurs.enCoursMax = 0;
}

bool TFuseLent::Monter(QString &erreur)
{
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        erreur = QStringLiteral("/dev/fuse: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    char nom[] = "bench_lent";
    char o[] = "-o";
    char options[] = "ro,fsname=bench_lent,subtype=lent";
    char *argv[] = {nom, o, options, nullptr};
    fuse_args args = FUSE_ARGS_INIT(3, argv);
    m_fuse = fuse_new(&args, &kOperations, sizeof kOperations, this);
    if (!m_fuse) {
        erreur = QStringLiteral("fuse_new failed");
        return false;
    }
    if (fuse_mount(m_fuse, m_point.constData()) != 0) {
        fuse_destroy(m_fuse);
        m_fuse = nullptr;
        erreur = QStringLiteral("cannot mount on %1").arg(QString::fromLocal8Bit(m_point));
        return false;
    }
    m_monte = true;
    std::strncpy(g_pointSignal, m_point.constData(), sizeof g_pointSignal - 1);
    std::signal(SIGINT, SurSignal);
    std::signal(SIGTERM, SurSignal);
    m_boucle = std::thread([this] {
        fuse_loop_config *config = fuse_loop_cfg_create();
        fuse_loop_cfg_set_max_threads(config, unsigned(m_filsMax));
        fuse_loop_cfg_set_idle_threads(config, unsigned(m_filsMax));
        fuse_loop_mt(m_fuse, config);
        fuse_loop_cfg_destroy(config);
    });
    return true;
}

void TFuseLent::Demonter()
{
    if (!m_fuse)
        return;
    if (m_monte) {
        fuse_exit(m_fuse);
        fuse_unmount(m_fuse); // the kernel ends the connection: the loop returns
        m_monte = false;
        g_pointSignal[0] = '\0';
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
    }
    if (m_boucle.joinable())
        m_boucle.join();
    fuse_destroy(m_fuse);
    m_fuse = nullptr;
}
