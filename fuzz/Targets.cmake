# The fuzz targets: <name>_fuzz.cpp over fuzz/corpus/<name>/ (and the finds kept in
# fuzz/regressions/<name>/), with the library each one tests. Shared by the fuzz preset's
# libFuzzer builds and the replay tests of the other presets.
set(X5K_FUZZ_TARGETS xml_reader report_descriptor macro_table config_store stats_file
                     mouse_state kde_config profile_json)
foreach(_name IN LISTS X5K_FUZZ_TARGETS)
    set(X5K_FUZZ_LIBRARY_${_name} x5k_core)
endforeach()
set(X5K_FUZZ_LIBRARY_kde_config x5k_platform_linux)
