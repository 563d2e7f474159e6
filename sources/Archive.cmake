# Project archives: extraction into the scratch folder and the probes, on the
# archive seam; the Windows side's script texts are plain functions beside them.
corvana_layer(corvana_archive_import
  SOURCES
    ArchiveImport.cpp
    PowerShellScripts.cpp
  DEPENDS corvana_sources corvana_platform_archive
)
