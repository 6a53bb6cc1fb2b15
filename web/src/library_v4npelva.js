// Emscripten's JavaScript helpers that SDL's audio backend calls by name, which the linker leaves
// out unless something depends on them: this one function does, and is kept by the link options.
mergeInto(LibraryManager.library, {
  v4npelva_sdl_helpers__deps: ['$autoResumeAudioContext', '$dynCall'],
  v4npelva_sdl_helpers: function () {},
});
