# The release build, guided by a profile and optimised at link time.
#
# With VELKAR_PGO (on by default) a Release build of the program first
# builds an instrumented copy of it in <build>/profil (a build of its own of
# this source tree, without the tests), runs its `bench`, then compiles the
# program and every library of the project it links with the counts that
# run left, and links them with link-time optimisation.  The search is the
# same node for node: only the layout of the code changes.  g++ (11 and
# later) and clang++ with its llvm-profdata can do it; another compiler
# gets no profile, with a message (and link-time optimisation if it can).
# A build for another system (the Windows cross-build) cannot run the
# instrumented program: it is optimised at link time only.  A WebAssembly
# build is guided by the profile of this source built for this machine by
# the clang of emscripten's own version (Debian's clang-14 beside its
# emscripten), which names and counts the same functions: under Node its
# bench ran 3 to 5 % more nodes per second (docs/performance.md).  It gets
# no link-time optimisation, which gave it nothing.  Debug, sanitizer and
# fuzzing builds get neither.  The test suite links the same optimised
# libraries.
#
# This file is also the script that runs the instrumented bench
# (cmake -P, below).

if(CMAKE_SCRIPT_MODE_FILE)
  # The profiling run: the counts of an earlier run are removed first (g++
  # would add to them), then bench runs once; clang's raw profiles are
  # merged into the one file its compiler reads.
  file(REMOVE_RECURSE ${PROFIL_DIR})
  file(MAKE_DIRECTORY ${PROFIL_DIR})
  execute_process(COMMAND ${PROFIL_BINAIRE} bench WORKING_DIRECTORY ${PROFIL_DIR}
                  OUTPUT_FILE ${PROFIL_DIR}/bench.txt ERROR_FILE ${PROFIL_DIR}/bench.txt RESULT_VARIABLE r)
  if(NOT r EQUAL 0)
    message(FATAL_ERROR "the instrumented bench failed (${r}): see ${PROFIL_DIR}/bench.txt")
  endif()
  if(PROFIL_PROFDATA)
    file(GLOB bruts ${PROFIL_DIR}/*.profraw)
    execute_process(COMMAND ${PROFIL_PROFDATA} merge -output=${PROFIL_DIR}/velkar.profdata ${bruts}
                    RESULT_VARIABLE r)
    if(NOT r EQUAL 0)
      message(FATAL_ERROR "llvm-profdata could not merge the profile (${r})")
    endif()
  endif()
  file(TOUCH ${PROFIL_DIR}/profil.stamp)
  return()
endif()

set(VELKAR_OPTIMISATION_SCRIPT ${CMAKE_CURRENT_LIST_FILE})
option(VELKAR_PGO "Release builds: optimise guided by a profile of bench, and at link time" ON)

set(VELKAR_OPTIMISE_LTO OFF)
set(VELKAR_OPTIMISE_PGO OFF)
# The instrumented program is built as this one is (the options read by
# now), except for a WebAssembly build (below).
set(VELKAR_PROFIL_BUILD ${CMAKE_BINARY_DIR}/profil)
set(VELKAR_PROFIL_DIR ${CMAKE_BINARY_DIR}/profil-donnees)
set(VELKAR_PROFIL_BINAIRE ${VELKAR_PROFIL_BUILD}/velkar${CMAKE_EXECUTABLE_SUFFIX})
set(VELKAR_PROFIL_COMPILATEUR ${CMAKE_CXX_COMPILER})
set(VELKAR_PROFIL_DRAPEAUX ${CMAKE_CXX_FLAGS})
set(VELKAR_PROFIL_SYZYGY ${VELKAR_SYZYGY})
if(VELKAR_PGO AND CMAKE_BUILD_TYPE STREQUAL "Release" AND EMSCRIPTEN)
  string(REGEX MATCH "^[0-9]+" majeure "${CMAKE_CXX_COMPILER_VERSION}")
  find_program(VELKAR_CLANG_HOTE NAMES clang++-${majeure})
  find_program(VELKAR_LLVM_PROFDATA NAMES llvm-profdata-${majeure})
  if(VELKAR_CLANG_HOTE AND VELKAR_LLVM_PROFDATA)
    set(VELKAR_OPTIMISE_PGO ON)
    # A program of this machine, without emscripten's flags (-pthread among
    # them), and without tablebases, which WebAssembly does not read.
    set(VELKAR_PROFIL_BINAIRE ${VELKAR_PROFIL_BUILD}/velkar)
    set(VELKAR_PROFIL_COMPILATEUR ${VELKAR_CLANG_HOTE})
    set(VELKAR_PROFIL_DRAPEAUX "")
    set(VELKAR_PROFIL_SYZYGY OFF)
    # Counted on the source's own branches (the front end's instrumentation),
    # which are the same for both processors; the optimiser's branches,
    # which -fprofile-generate counts, are not.  The few functions written
    # otherwise for WebAssembly (the evaluation's choice of bit count) keep
    # no profile.
    set(VELKAR_PROFIL_GENERE -fprofile-instr-generate=${VELKAR_PROFIL_DIR}/velkar-%p.profraw)
    set(VELKAR_PROFIL_UTILISE -fprofile-instr-use=${VELKAR_PROFIL_DIR}/velkar.profdata
        -Wno-profile-instr-unprofiled -Wno-profile-instr-out-of-date)
    message(STATUS "Velkar: WebAssembly build guided by a profile of bench (-DVELKAR_PGO=OFF for the plain -O3 one)")
  else()
    message(STATUS "Velkar: no clang++-${majeure} with llvm-profdata-${majeure} beside emscripten: "
                   "WebAssembly built without a profile")
  endif()
elseif(VELKAR_PGO AND CMAKE_BUILD_TYPE STREQUAL "Release"
       AND NOT VELKAR_SANITIZE AND NOT VELKAR_TSAN AND NOT VELKAR_FUZZ)
  include(CheckIPOSupported)
  check_ipo_supported(RESULT VELKAR_OPTIMISE_LTO OUTPUT pourquoi LANGUAGES CXX)
  if(NOT VELKAR_OPTIMISE_LTO)
    message(STATUS "Velkar: no link-time optimisation with this compiler (${pourquoi})")
  endif()
  if(CMAKE_CROSSCOMPILING)
    message(STATUS "Velkar: built for another system, whose programs cannot run here: no profile")
  elseif(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # g++ names each object's counts after its path below the build
    # directory, so the instrumented build's counts fit this build's objects.
    # Headers the build copies into its own directory have another path in
    # the instrumented build, which g++ reports as a changed source location
    # (an error by default); the counts still fit, and a function whose code
    # did change loses its profile, never its correctness.
    include(CheckCXXCompilerFlag)
    check_cxx_compiler_flag(-fprofile-prefix-path=${CMAKE_BINARY_DIR} VELKAR_GCC_PREFIXE)
    if(VELKAR_GCC_PREFIXE)
      set(VELKAR_OPTIMISE_PGO ON)
      set(velkar_genere -fprofile-generate=${VELKAR_PROFIL_DIR} -fprofile-prefix-path=${VELKAR_PROFIL_BUILD}
          -fprofile-update=single)
      set(VELKAR_PROFIL_UTILISE -fprofile-use=${VELKAR_PROFIL_DIR} -fprofile-prefix-path=${CMAKE_BINARY_DIR}
          -fprofile-correction -Wno-missing-profile -Wno-coverage-mismatch)
    endif()
  elseif(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    string(REGEX MATCH "^[0-9]+" majeure "${CMAKE_CXX_COMPILER_VERSION}")
    get_filename_component(rep_compilateur ${CMAKE_CXX_COMPILER} DIRECTORY)
    find_program(VELKAR_LLVM_PROFDATA NAMES llvm-profdata-${majeure} llvm-profdata HINTS ${rep_compilateur})
    if(VELKAR_LLVM_PROFDATA)
      set(VELKAR_OPTIMISE_PGO ON)
      set(velkar_genere -fprofile-generate=${VELKAR_PROFIL_DIR})
      set(VELKAR_PROFIL_UTILISE -fprofile-use=${VELKAR_PROFIL_DIR}/velkar.profdata -Wno-profile-instr-unprofiled)
    endif()
  endif()
  if(NOT VELKAR_OPTIMISE_PGO AND NOT CMAKE_CROSSCOMPILING)
    message(STATUS "Velkar: ${CMAKE_CXX_COMPILER_ID} ${CMAKE_CXX_COMPILER_VERSION} cannot build with a profile "
                   "here (g++ 11 or later, or clang++ with llvm-profdata, can): built without one")
  endif()
  if(VELKAR_OPTIMISE_PGO)
    message(STATUS "Velkar: release build guided by a profile of bench and optimised at link time "
                   "(-DVELKAR_PGO=OFF for the plain -O3 one)")
    list(JOIN velkar_genere " " VELKAR_PROFIL_GENERE)
  elseif(VELKAR_OPTIMISE_LTO)
    message(STATUS "Velkar: release build optimised at link time (-DVELKAR_PGO=OFF for the plain -O3 one)")
  endif()
endif()

# Applies the optimisation to the program <cible> and to every library of
# the project it links, however the sources are divided among them; called
# once the whole project is read.
function(velkar_optimise cible)
  if(NOT TARGET ${cible} OR NOT (VELKAR_OPTIMISE_LTO OR VELKAR_OPTIMISE_PGO))
    return()
  endif()
  if(VELKAR_OPTIMISE_PGO)
    # The instrumented program and its bench.
    include(ExternalProject)
    ExternalProject_Add(velkar_profil_programme
      SOURCE_DIR ${CMAKE_SOURCE_DIR}
      BINARY_DIR ${VELKAR_PROFIL_BUILD}
      CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DVELKAR_PGO=OFF -DVELKAR_TESTS=OFF
                 -DCMAKE_CXX_COMPILER=${VELKAR_PROFIL_COMPILATEUR} -DVELKAR_SYZYGY=${VELKAR_PROFIL_SYZYGY}
                 -DVELKAR_NATIVE=${VELKAR_NATIVE} "-DCMAKE_CXX_FLAGS=${VELKAR_PROFIL_DRAPEAUX} ${VELKAR_PROFIL_GENERE}"
      BUILD_ALWAYS ON
      INSTALL_COMMAND ""
      BUILD_BYPRODUCTS ${VELKAR_PROFIL_BINAIRE})
    add_custom_command(OUTPUT ${VELKAR_PROFIL_DIR}/profil.stamp
      COMMAND ${CMAKE_COMMAND} -DPROFIL_DIR=${VELKAR_PROFIL_DIR}
              -DPROFIL_BINAIRE=${VELKAR_PROFIL_BINAIRE}
              -DPROFIL_PROFDATA=${VELKAR_LLVM_PROFDATA} -P ${VELKAR_OPTIMISATION_SCRIPT}
      DEPENDS velkar_profil_programme ${VELKAR_PROFIL_BINAIRE}
      COMMENT "Profiling the instrumented engine's bench"
      VERBATIM)
    add_custom_target(velkar_profil DEPENDS ${VELKAR_PROFIL_DIR}/profil.stamp)
  endif()
  set(vues "")
  set(a_voir ${cible})
  while(a_voir)
    list(POP_FRONT a_voir c)
    if(NOT TARGET ${c} OR c IN_LIST vues)
      continue()
    endif()
    get_target_property(importee ${c} IMPORTED)
    get_target_property(type ${c} TYPE)
    if(importee OR NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|OBJECT_LIBRARY|SHARED_LIBRARY)$")
      continue()
    endif()
    list(APPEND vues ${c})
    if(VELKAR_OPTIMISE_LTO)
      set_property(TARGET ${c} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
    endif()
    # WebAssembly's platform layer (platform/wasm.cpp) has functions of the
    # same names as this machine's, which clang would read the profile of
    # the other system's code for.
    if(VELKAR_OPTIMISE_PGO AND NOT (EMSCRIPTEN AND c STREQUAL "velkar_plateforme"))
      target_compile_options(${c} PRIVATE ${VELKAR_PROFIL_UTILISE})
      add_dependencies(${c} velkar_profil)
      # A new profile compiles every object again.
      get_target_property(sources ${c} SOURCES)
      get_target_property(rep ${c} SOURCE_DIR)
      foreach(s IN LISTS sources)
        if(NOT s MATCHES "^\\$<")
          cmake_path(ABSOLUTE_PATH s BASE_DIRECTORY ${rep})
          set_property(SOURCE ${s} TARGET_DIRECTORY ${c} APPEND PROPERTY OBJECT_DEPENDS
                       ${VELKAR_PROFIL_DIR}/profil.stamp)
        endif()
      endforeach()
    endif()
    get_target_property(liens ${c} LINK_LIBRARIES)
    if(liens)
      list(APPEND a_voir ${liens})
    endif()
  endwhile()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL velkar_optimise velkar)
