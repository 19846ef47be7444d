# Builds the release engine with make alone, as OpenBench's workers do:
#
#     make -j EXE=velkar-ob CXX=g++        # then ./velkar-ob bench
#
# CMake stays the main build (docs/building.md); this file compiles the same
# sources without the tests and leaves the binary as $(EXE).  The default
# target builds it guided by a profile: the sources are compiled once with
# instrumentation, that binary runs `bench`, and they are compiled again
# with the counts it left and with link-time optimisation (g++, or clang++
# with its llvm-profdata).  A compiler that cannot do this gets the plain
# -O3 build, with a message.  `make plain` builds that one on purpose.
# Endgame tables are built in when the Fathom library (Debian:
# libfathom-dev) can be linked with $(CXX).  CC is accepted and unused:
# Velkar has no C source.

EXE ?= velkar
CXX ?= g++

SOURCES := $(wildcard engine/*.cpp interface/*.cpp platform/*.cpp)
HEADERS := $(wildcard engine/*.h interface/*.h platform/*.h)
OBJDIR := build-make/$(subst /,_,$(CXX))
# Each binary has its own profile directory, so that two builds of the same
# tree with different names never share counts.
PGODIR := $(OBJDIR)/pgo-$(subst /,_,$(EXE))

CXXFLAGS := -std=c++20 -O3 -DNDEBUG -Wall -Wextra -pthread -I.
LDFLAGS := -pthread
LDLIBS :=

FATHOM := $(shell printf '#include <tbprobe.h>\nint main() { return tb_init(""); }\n' | \
	$(CXX) -x c++ - -lfathom -o /dev/null 2>/dev/null && echo yes)
ifeq ($(FATHOM),yes)
	CXXFLAGS += -DVELKAR_SYZYGY
	LDLIBS += -lfathom
endif

# Windows (MinGW): linked statically, with a deep stack for the recursion
# of the search, as the CMake build does.
ifeq ($(OS),Windows_NT)
	LDFLAGS += -static -Wl,--stack,67108864
endif

# What the compiler offers: a profiled build (g++ writes its counts beside
# the objects; clang++ writes raw profiles that llvm-profdata merges into
# one file) and link-time optimisation, each tried on a small program.
ESSAI = printf 'int main() { return 0; }\n' | $(CXX) -x c++ - $(1) -o $(OBJDIR)/essai 2>/dev/null && echo yes; \
	rm -f $(OBJDIR)/essai $(OBJDIR)/*.gcda $(OBJDIR)/*.gcno
ifeq ($(PHASE),)
CLANG := $(findstring clang,$(shell $(CXX) --version 2>/dev/null))
$(shell mkdir -p $(OBJDIR))
ifneq ($(CLANG),)
PROFDATA := $(shell p=$$($(CXX) -print-prog-name=llvm-profdata 2>/dev/null); \
	command -v "$$p" 2>/dev/null || command -v llvm-profdata 2>/dev/null)
PROFIL := $(if $(PROFDATA),$(shell $(call ESSAI,-fprofile-generate)))
LTO := $(shell $(call ESSAI,-flto -O1))
else
PROFIL := $(shell $(call ESSAI,-fprofile-generate))
LTO := $(shell $(call ESSAI,-flto=auto -O1))
endif
export CLANG PROFDATA PROFIL LTO
endif

ifneq ($(CLANG),)
	FLAGS_genere := -fprofile-generate=$(PGODIR)
	FLAGS_utilise := -fprofile-use=$(PGODIR)/velkar.profdata -Wno-profile-instr-unprofiled
	FLAGS_lto := -flto
else
	FLAGS_genere := -fprofile-generate -fprofile-update=single
	FLAGS_utilise := -fprofile-use -fprofile-correction -Wno-missing-profile
	FLAGS_lto := -flto=auto
endif

.PHONY: all plain clean

ifeq ($(PHASE),)
# The top level: which build, in which order.  Each phase is a make of its
# own, so that -j compiles in parallel within a phase and never across them.
all: $(if $(PROFIL),$(EXE),plain)

$(EXE): $(SOURCES) $(HEADERS) makefile
	rm -rf $(PGODIR)
	+$(MAKE) --no-print-directory PHASE=genere CIBLE=$(PGODIR)/velkar-profil
	$(PGODIR)/velkar-profil bench > $(PGODIR)/bench.txt
ifneq ($(CLANG),)
	$(PROFDATA) merge -output=$(PGODIR)/velkar.profdata $(PGODIR)/*.profraw
endif
	find $(PGODIR) -name '*.o' -exec rm -f {} +
	+$(MAKE) --no-print-directory PHASE=utilise CIBLE=$(EXE)

plain:
	$(if $(PROFIL),,$(info makefile: $(CXX) cannot build with a profile here (for clang++: llvm-profdata is needed); building the plain -O3 build))
	+$(MAKE) --no-print-directory PHASE=simple CIBLE=$(EXE)

else
# One phase: compiles the sources into its directory and links $(CIBLE).
# The profiled phases share one directory, where g++ looks for the counts
# of each object beside it.
DIR := $(if $(filter simple,$(PHASE)),$(OBJDIR)/simple,$(PGODIR))
OBJECTS := $(SOURCES:%.cpp=$(DIR)/%.o)
CXXFLAGS += $(FLAGS_$(PHASE)) $(if $(and $(LTO),$(filter utilise,$(PHASE))),$(FLAGS_lto))

all: $(CIBLE)

$(CIBLE): $(OBJECTS)
	$(CXX) $(CXXFLAGS) $(LDFLAGS) -o $@ $(OBJECTS) $(LDLIBS)

$(DIR)/%.o: %.cpp
	@mkdir -p $(dir $@)
	$(CXX) $(CXXFLAGS) -MMD -MP -c $< -o $@

-include $(OBJECTS:.o=.d)
endif

clean:
	rm -rf build-make
