# Every engine and tool library that exists at this point of the configure, for the benchmark
# binary and the fuzz targets, which may touch any of them.
set(V4N_ALL_LIBS)
foreach(lib v4n_platform v4n_shell v4n_archive v4n_assets v4n_render v4n_display v4n_audio v4n_demo
            v4n_scenes v4n_sequencer v4n_startup v4n_packer v4n_writers v4n_xmwriter v4n_content)
  if(TARGET ${lib})
    list(APPEND V4N_ALL_LIBS ${lib})
  endif()
endforeach()
