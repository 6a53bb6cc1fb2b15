# The web build (emcc, preset `web`): the engine as WebAssembly, a page of our own and the data
# files, as a static site at the top of the build tree. Included by the top-level CMakeLists.txt
# in place of the native set-up when the compiler is emscripten's.
#
# Third-party libraries come from Debian's source packages, built by scripts/web-deps.sh into a
# cache that survives a fresh configure; the data files come from the native release tree's
# generators (built there when missing), as the host builds them and the show reads them.

# The environment variable of the same name may put the cache elsewhere (CI keeps it outside the
# clone, so that runs on one machine share it).
if(DEFINED ENV{V4N_WEB_DEPS_DIR})
  set(web_deps_default "$ENV{V4N_WEB_DEPS_DIR}")
else()
  set(web_deps_default "${PROJECT_SOURCE_DIR}/build/web-deps")
endif()
set(V4N_WEB_DEPS_DIR "${web_deps_default}" CACHE PATH
    "Cache of the third-party libraries built with emcc")
set(V4N_NATIVE_DIR "${PROJECT_SOURCE_DIR}/build/release" CACHE PATH
    "Native release tree whose generators make the data files")

# Debian's emcc looks for its node modules (acorn) where Debian puts them.
set(ENV{NODE_PATH} "/usr/share/nodejs")
execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/web-deps.sh ${V4N_WEB_DEPS_DIR}
                RESULT_VARIABLE deps_result)
if(NOT deps_result EQUAL 0)
  message(FATAL_ERROR "scripts/web-deps.sh failed; run scripts/setup.sh --web first")
endif()
set(deps ${V4N_WEB_DEPS_DIR}/prefix)

# The SSE2 and SSSE3 kernels of the renderer and the display compile to WebAssembly SIMD
# (integer operations only, so the same results).
# WebAssembly has no CPU feature query; with SIMD on, every kernel the code asks about is there.
add_compile_options(-msimd128 -msse2 -mssse3 "-D__builtin_cpu_supports(feature)=1")

# The native tree's targets by the names the engine's folders use.
function(v4n_web_import name)
  cmake_parse_arguments(ARG "" "" "INCLUDES;LIBS" ${ARGN})
  string(MAKE_C_IDENTIFIER "v4n_web_${name}" library)
  add_library(${library} INTERFACE)
  add_library(${name} ALIAS ${library})
  # Plain -I, not -isystem: emcc puts its own old SDL headers on the system path.
  if(ARG_INCLUDES)
    target_include_directories(${library} INTERFACE ${ARG_INCLUDES})
  endif()
  if(ARG_LIBS)
    target_link_libraries(${library} INTERFACE ${ARG_LIBS})
  endif()
endfunction()
v4n_web_import(SDL2::SDL2 INCLUDES ${deps}/include ${deps}/include/SDL2 LIBS ${deps}/lib/libSDL2.a)
v4n_web_import(JPEG::JPEG INCLUDES ${deps}/include LIBS ${deps}/lib/libjpeg.a)
v4n_web_import(ZLIB::ZLIB INCLUDES ${deps}/include LIBS ${deps}/lib/libz.a)
v4n_web_import(PkgConfig::OPENMPT INCLUDES ${deps}/include LIBS ${deps}/lib/libopenmpt.a)
# No fonts for dialogs, no X11 and no threads in the browser: the platform's web file stands in.
v4n_web_import(SDL2_ttf::SDL2_ttf)
v4n_web_import(X11::X11)
v4n_web_import(Threads::Threads)
add_library(v4n_stb INTERFACE)
target_include_directories(v4n_stb SYSTEM INTERFACE /usr/include/stb)
# Recording to video needs FFmpeg: the web build has stand-ins for its three calls.
add_library(v4n_record STATIC ${PROJECT_SOURCE_DIR}/web/src/record_web.cpp)
target_include_directories(v4n_record PUBLIC ${PROJECT_SOURCE_DIR}/src)

# The native dialogs (SDL_ttf) and the X11 error handler stay out; platform_web.cpp replaces them.
set(V4N_SOURCE_EXCLUDE "/(dialog_sdl|x11_errors)\\.cpp$")

include(cmake/v4n.cmake)
set(CMAKE_CXX_LINK_EXECUTABLE
    "<CMAKE_CXX_COMPILER> <FLAGS> <CMAKE_CXX_LINK_FLAGS> <LINK_FLAGS> <OBJECTS> -o <TARGET> -Wl,--start-group <LINK_LIBRARIES> -Wl,--end-group")

file(GLOB children LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/src/*)
list(SORT children)
foreach(child ${children})
  get_filename_component(name ${child} NAME)
  if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt AND NOT name STREQUAL "record")
    add_subdirectory(${child})
  endif()
endforeach()

# The data files, from the native tree: its generators run on the host.
set(site ${CMAKE_BINARY_DIR})
set(data_files v4npelva.zem v4npelva.xm)
set(data_outputs)
foreach(file ${data_files})
  list(APPEND data_outputs ${site}/${file})
endforeach()
add_custom_command(
  OUTPUT ${data_outputs}
  COMMAND ${CMAKE_COMMAND} -E env --unset=EMSDK --unset=EM_CONFIG ${PROJECT_SOURCE_DIR}/scripts/web-data.sh
          ${PROJECT_SOURCE_DIR} ${V4N_NATIVE_DIR} ${site}
  COMMENT "Data files from the native tree ${V4N_NATIVE_DIR}"
  VERBATIM)
add_custom_target(v4npelva_content ALL DEPENDS ${data_outputs})
add_custom_target(v4npelva_music)

set(CMAKE_EXECUTABLE_SUFFIX ".js")
add_subdirectory(app)
# No threads, so the music is mixed where the program yields; ASYNCIFY lets the scenes' own loops
# yield to the browser once a frame without being rewritten.
set(web_link_options
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=262144 -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB
    -sEXIT_RUNTIME=1 -sINVOKE_RUN=0 -sENVIRONMENT=web -sFORCE_FILESYSTEM=1
    -sEXPORTED_RUNTIME_METHODS=FS,callMain -sEXPORTED_FUNCTIONS=_main
    # SDL's audio calls JavaScript helpers of emscripten's that are left out unless asked for.
    --js-library ${PROJECT_SOURCE_DIR}/web/src/library_v4npelva.js
    -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=v4npelva_sdl_helpers)
set_property(TARGET v4npelva APPEND PROPERTY LINK_DEPENDS
             ${PROJECT_SOURCE_DIR}/web/src/library_v4npelva.js)
target_link_options(v4npelva PRIVATE ${web_link_options})

# The page: copied beside the program.
file(GLOB page_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/web/*.html ${PROJECT_SOURCE_DIR}/web/*.js
     ${PROJECT_SOURCE_DIR}/web/*.css)
add_custom_target(v4npelva_page ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${page_files} ${site}
  COMMENT "The page")

if(V4N_TESTS)
  enable_testing()
  add_subdirectory(tests/web)
endif()
