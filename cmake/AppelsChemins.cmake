# cmake -DRACINE=<source tree> -P AppelsChemins.cmake
#
# Every system call that names a file by its path goes through the path module
# (src/commun/Chemins, with CheminsLongs below it), which reaches paths of any length and
# any bytes: fails, naming each place, when a file of the layers below makes one itself
# (open, stat, unlink, rename, mkdir... or Qt's QFile, QDir, QFileInfo, which take paths as
# text). Calls on a descriptor (read, fstat, fsync...) are not path calls. The layers not
# listed yet are moved onto the module one by one; each joins the list when it is.
cmake_minimum_required(VERSION 3.25)
set(couches commun engine settings)
set(admis src/commun/Chemins.cpp src/commun/CheminsLongs.cpp)

set(appels "open|openat|open64|creat|stat|lstat|stat64|lstat64|fstatat|statx|access|faccessat|\
unlink|unlinkat|rmdir|remove|rename|renameat|renameat2|mkdir|mkdirat|link|linkat|symlink|symlinkat|\
readlink|readlinkat|truncate|chmod|fchmodat|chown|lchown|fchownat|utimensat|utimes|utime|mknod|\
mknodat|mkfifo|realpath|opendir|scandir|nftw|chdir|fopen|freopen|mkstemp|mkostemp|tmpfile")
set(qt "QFile|QDir|QFileInfo|QTemporaryFile|QTemporaryDir|QSaveFile|QDirIterator|QLockFile|QStorageInfo")

set(fautes "")
foreach(couche ${couches})
  file(GLOB_RECURSE sources RELATIVE ${RACINE} ${RACINE}/src/${couche}/*.cpp ${RACINE}/src/${couche}/*.h)
  foreach(source ${sources})
    if(source IN_LIST admis)
      continue()
    endif()
    file(STRINGS ${RACINE}/${source} lignes)
    set(numero 0)
    foreach(ligne IN LISTS lignes)
      math(EXPR numero "${numero} + 1")
      string(REGEX REPLACE "//.*$" "" code "${ligne}")
      if(code MATCHES "(^|[^A-Za-z0-9_.>])(::)?(${appels})[ \t]*\\("
         OR code MATCHES "(^|[^A-Za-z0-9_])(${qt})([^A-Za-z0-9_]|$)")
        string(APPEND fautes "${source}:${numero}: ${ligne}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(fautes)
  message(FATAL_ERROR "Path calls outside the path module (src/commun/Chemins.h):\n${fautes}")
endif()
message(STATUS "No path call outside the path module in: ${couches}")
