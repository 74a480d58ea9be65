# FFmpeg's libraries for TV streams, and libebur128 for loudness, as
# pkg-config targets: PkgConfig::AVFORMAT, ::AVCODEC, ::AVUTIL, ::SWSCALE,
# ::SWRESAMPLE, ::EBUR128. nlohmann-json is header-only (nlohmann_json::nlohmann_json).
pkg_check_modules(AVFORMAT REQUIRED IMPORTED_TARGET libavformat)
pkg_check_modules(AVCODEC REQUIRED IMPORTED_TARGET libavcodec)
pkg_check_modules(AVUTIL REQUIRED IMPORTED_TARGET libavutil)
pkg_check_modules(SWSCALE REQUIRED IMPORTED_TARGET libswscale)
pkg_check_modules(SWRESAMPLE REQUIRED IMPORTED_TARGET libswresample)
pkg_check_modules(EBUR128 REQUIRED IMPORTED_TARGET libebur128)
find_package(nlohmann_json 3.11 REQUIRED)
