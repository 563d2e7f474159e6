# Archive extraction and probes against real archives written with libzip.
corvana_test(corvana_archive_tests
  SOURCES
    ArchiveImportTest.cpp
    LibzipArchiveTest.cpp
    PowerShellScriptsTest.cpp
    ZipTestArchives.cpp
  DEPENDS corvana_archive_import corvana_readers PkgConfig::CORVANA_LIBZIP
)
