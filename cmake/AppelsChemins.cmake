# cmake -DRACINE=<source tree> -P AppelsChemins.cmake
#
# Every system call that names a file by its path goes through the path module
# (src/commun/Chemins, with CheminsLongs below it), which reaches paths of any length and
# any bytes, never waits on a fifo and never reads a device without end: fails, naming
# each place, when a file of src/ makes one itself (open, stat, unlink, rename, mkdir... or
# Qt's QFile, QDir, QFileInfo, QStandardPaths, which take paths as text and read files of
# their own; std::filesystem, the file streams). Calls on a descriptor (read, fstat,
# fsync...) are not path calls. Qt's resources (":/...") are read with QResource, which
# never reaches the disk.
cmake_minimum_required(VERSION 3.25)

# What a file may use all the same, and why: "file|name|reason", name "*" for every one.
set(admis
  "src/commun/Chemins.cpp|*|the path module itself"
  "src/commun/CheminsLongs.cpp|*|the path module itself: paths past PATH_MAX"
  "src/commun/Dossiers.cpp|QStandardPaths|the home, configuration and runtime folders, which Qt gives without reading a file (and sends to ~/.qttest under its test mode), user-dirs.dirs being read there through the module"
)

set(appels "open|openat|open64|creat|stat|lstat|stat64|lstat64|fstatat|statx|access|faccessat|\
unlink|unlinkat|rmdir|remove|rename|renameat|renameat2|mkdir|mkdirat|link|linkat|symlink|symlinkat|\
readlink|readlinkat|truncate|chmod|fchmodat|chown|lchown|fchownat|utimensat|utimes|utime|mknod|\
mknodat|mkfifo|realpath|opendir|scandir|nftw|chdir|fopen|freopen|mkstemp|mkostemp|tmpfile")
# Classes that reach files by their paths, by the beginning of their names (QFile stands
# for QFileInfo, QFileInfoList, QFileDialog, QFileSystemWatcher..., QDir for QDirIterator),
# Qt's and the standard library's.
set(classes "QFile|QDir|QTemporaryFile|QTemporaryDir|QSaveFile|QLockFile|QStorageInfo|QStandardPaths|QSettings|\
std::filesystem|ifstream|ofstream|fstream|filebuf")

set(fautes "")
file(GLOB_RECURSE sources RELATIVE ${RACINE} ${RACINE}/src/*.cpp ${RACINE}/src/*.h)
list(SORT sources)
foreach(source ${sources})
  # The names this file may use.
  set(permis "")
  foreach(entree ${admis})
    string(REPLACE "|" ";" champs "${entree}")
    list(GET champs 0 fichier)
    list(GET champs 1 nom)
    if(fichier STREQUAL source)
      list(APPEND permis "${nom}")
    endif()
  endforeach()
  if("*" IN_LIST permis)
    continue()
  endif()
  file(STRINGS ${RACINE}/${source} lignes)
  set(numero 0)
  foreach(ligne IN LISTS lignes)
    math(EXPR numero "${numero} + 1")
    string(REGEX REPLACE "//.*$" "" code "${ligne}")
    foreach(nom ${permis})
      string(REGEX REPLACE "(^|[^A-Za-z0-9_])${nom}([^A-Za-z0-9_]|$)" "\\1\\2" code "${code}")
    endforeach()
    if(code MATCHES "(^|[^A-Za-z0-9_.>])(::)?(${appels})[ \t]*\\("
       OR code MATCHES "(^|[^A-Za-z0-9_])(${classes})")
      string(APPEND fautes "${source}:${numero}: ${ligne}\n")
    endif()
  endforeach()
endforeach()

if(fautes)
  message(FATAL_ERROR "Path calls outside the path module (src/commun/Chemins.h):\n${fautes}")
endif()
list(LENGTH sources nombre)
message(STATUS "No path call outside the path module in the ${nombre} files of src/")
