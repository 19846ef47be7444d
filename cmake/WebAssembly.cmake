# The WebAssembly build (emcmake cmake, as web/build.sh runs it):
# velkar-core.js, a factory VelkarCore for a Web Worker and for Node, and
# velkar-core.wasm.  Asyncify lets the search and the main loop hand the
# event loop a turn at the input waits of platform/wasm.cpp, whose
# JavaScript half is platform/wasm.js.  The saved call stack must hold the
# deepest search: emscripten's 4 KB overflowed at 64 plies, so 1 MB (taken
# from the heap at each turn and given back).  The memory grows with the
# Hash option, up to the 2 GB a 32-bit heap allows.
if(EMSCRIPTEN)
  set_target_properties(velkar PROPERTIES OUTPUT_NAME velkar-core)
  set_property(TARGET velkar APPEND PROPERTY LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/platform/wasm.js)
  target_link_options(velkar PRIVATE
    "SHELL:--js-library ${CMAKE_CURRENT_SOURCE_DIR}/platform/wasm.js"
    -sASYNCIFY "-sASYNCIFY_IMPORTS=[VelkarAttendEntree,VelkarCede]" -sASYNCIFY_STACK_SIZE=1048576
    -sMODULARIZE -sEXPORT_NAME=VelkarCore -sENVIRONMENT=web,worker,node
    -sALLOW_MEMORY_GROWTH -sINITIAL_MEMORY=64MB -sFILESYSTEM=0
    -sNODEJS_CATCH_EXIT=0 -sNODEJS_CATCH_REJECTION=0)
endif()
