# The WebAssembly build (emcmake cmake, as web/build.sh runs it):
# velkar-core.js, a factory VelkarCore for a Web Worker and for Node, and
# velkar-core.wasm.  Asyncify lets the search and the main loop hand the
# event loop a turn at the input waits of platform/wasm.cpp, whose
# JavaScript half is platform/wasm.js.  The saved call stack must hold the
# deepest search: emscripten's 4 KB overflowed at 64 plies, so 1 MB (taken
# from the heap at each turn and given back).  The memory grows with the
# Hash option, up to the 2 GB a 32-bit heap allows.
#
# Asyncify instruments only the functions that can be on the stack when the
# engine waits (asyncify-pile.txt, written below): the main loop's wait for
# a line, and the paths from a command to the search's time check and to
# perft's (through a std::function), which reach the input through virtual
# calls (the duties, the listener).  By
# default it would also instrument every function that makes an indirect
# call, and every caller of those: the search then ran 4 % more wasm
# instructions (docs/performance.md).  A function that comes to lie on that
# path must be added to the list, or a stop would unwind through it and
# corrupt the stack (web/tests/engine.test.js stops searches and waits for
# input in each way the engine does).  The optimiser may inline some of
# them, which the linker then reports as a pattern that matches nothing.
#
# The build for Node (web/build.sh configures it in build-wasm-node/ with
# this option on): velkar-core-node.js and .wasm, which web/src/velkar.js
# runs in a worker thread in Node (uci.js and createVelkar).  A worker
# thread may block, so the engine waits for input as natively, on a ring in
# a SharedArrayBuffer (platform/wasm-node.js), and needs no Asyncify: the
# search runs about a tenth fewer instructions (docs/performance.md).  A
# browser's worker may not block without cross-origin isolation, so the
# page keeps the Asyncify build.  main is called by velkar.js (callMain),
# which is then handed its return value.
option(VELKAR_WASM_NODE "WebAssembly: the build for Node (no Asyncify)" OFF)
if(EMSCRIPTEN)
  file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/asyncify-pile.txt CONTENT [[
main
velkar::plateforme::SurveilleEntree*
velkar::plateforme::AttendEntree*
velkar::TLecteur::*
velkar::TDevoirsPrincipal::*
velkar::TChercheur::CompteNoeud*
velkar::TChercheur::Verifie*
velkar::TChercheur::Quies*
velkar::TChercheur::AlphaBeta*
velkar::TChercheur::Itere*
velkar::TVelkar::Cherche*
velkar::DecodeCommande*
velkar::ReprendPartie*
velkar::Bench*
velkar::(anonymous namespace)::Lance*
velkar::(anonymous namespace)::ChangeChess960*
velkar::(anonymous namespace)::Perft*
velkar::TVelkar::Perft*
velkar::TPosition::Perft*
std::__2::function*
std::__2::__function::*
]])
  target_link_options(velkar PRIVATE -sMODULARIZE -sEXPORT_NAME=VelkarCore -sALLOW_MEMORY_GROWTH
    -sINITIAL_MEMORY=64MB -sFILESYSTEM=0 -sNODEJS_CATCH_EXIT=0 -sNODEJS_CATCH_REJECTION=0)
  if(VELKAR_WASM_NODE)
    set_target_properties(velkar PROPERTIES OUTPUT_NAME velkar-core-node)
    set_property(TARGET velkar APPEND PROPERTY LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/platform/wasm-node.js)
    target_link_options(velkar PRIVATE
      "SHELL:--js-library ${CMAKE_CURRENT_SOURCE_DIR}/platform/wasm-node.js"
      -sENVIRONMENT=node -sINVOKE_RUN=0 "-sEXPORTED_RUNTIME_METHODS=[callMain]")
  else()
    set_target_properties(velkar PROPERTIES OUTPUT_NAME velkar-core)
    set_property(TARGET velkar APPEND PROPERTY LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/platform/wasm.js
                 ${CMAKE_CURRENT_BINARY_DIR}/asyncify-pile.txt)
    target_link_options(velkar PRIVATE
      "SHELL:--js-library ${CMAKE_CURRENT_SOURCE_DIR}/platform/wasm.js"
      -sASYNCIFY "-sASYNCIFY_IMPORTS=[VelkarAttendEntree,VelkarCede]" -sASYNCIFY_STACK_SIZE=1048576
      -sASYNCIFY_ONLY=@${CMAKE_CURRENT_BINARY_DIR}/asyncify-pile.txt -sENVIRONMENT=web,worker,node)
  endif()
endif()

# The threaded WebAssembly build (web/build.sh configures it in
# build-wasm-mt/ with -pthread in CMAKE_CXX_FLAGS and this option on):
# velkar-core-mt.js, .wasm and .worker.js, for pages that a browser
# isolates (the COOP/COEP headers; SharedArrayBuffer).  Its helpers are
# pthreads in a pool of Web Workers started with the engine, as many as
# the browser reports cores (at least 2, at most 8): a pthread created
# later would start only once the engine's worker returns to its event
# loop, which a search waiting for its helpers does not.  Growing shared
# memory makes JavaScript re-check its views of the heap at each access
# (emscripten warns); the engine's JavaScript touches the heap only to pass
# input and output lines, so the warning is silenced.
option(VELKAR_WASM_THREADS "WebAssembly: the threaded build (-pthread)" OFF)
if(EMSCRIPTEN AND VELKAR_WASM_THREADS)
  set_target_properties(velkar PROPERTIES OUTPUT_NAME velkar-core-mt)
  target_link_options(velkar PRIVATE -pthread -Wno-pthreads-mem-growth
    "-sPTHREAD_POOL_SIZE=Math.min(8,Math.max(2,(typeof navigator=='object'&&navigator.hardwareConcurrency)||2))")
endif()
