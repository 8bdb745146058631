# `make package`: a Debian package of everything `cmake --install` puts down.
# The runtime dependencies are read from the binaries by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trevalin)
set(CPACK_PACKAGE_VENDOR "The Trevalin developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make pictures and movies from formulas")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(TREVALIN_PACKAGE_MAINTAINER "The Trevalin developers <maintainers@trevalin.invalid>"
    CACHE STRING "Maintainer named in the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TREVALIN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary above is the first line; this is the long text under it.
set(CPACK_PACKAGE_DESCRIPTION
    "Trevalin compiles a formula per colour channel into byte code and runs it for
every pixel, filling the picture in coarse-to-fine passes. Pictures are saved
as BMP or PNG, movies as QuickTime files. Named presets give starting points.

The package holds the desktop program and the command-line tools
trevalin-render and trevalin-formula.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's platform
# plugins, without which no window opens, and FFmpeg's libraries, loaded when a
# movie opens by the major version of the headers (Debian names the packages
# after it: libavformat59).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
pkg_check_modules(TREVALIN_FFMPEG_RUNTIME QUIET libavformat libavcodec libavutil libswscale)
foreach(library libavformat libavcodec libavutil libswscale)
  string(REGEX MATCH "^[0-9]+" major "${TREVALIN_FFMPEG_RUNTIME_${library}_VERSION}")
  if(major)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${library}${major}")
  endif()
endforeach()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
