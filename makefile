# Builds the release engine with make alone, as OpenBench's workers do:
#
#     make -j EXE=velkar-ob CXX=g++        # then ./velkar-ob bench
#
# CMake stays the main build (README.md); this file compiles the same
# sources with the same release flags, without the tests, and leaves the
# binary as $(EXE).  Endgame tables are built in when the Fathom library
# (Debian: libfathom-dev) can be linked with $(CXX).  CC is accepted and
# unused: Velkar has no C source.

EXE ?= velkar
CXX ?= g++

SOURCES := $(wildcard engine/*.cpp interface/*.cpp platform/*.cpp)
OBJDIR := build-make/$(subst /,_,$(CXX))
OBJECTS := $(SOURCES:%.cpp=$(OBJDIR)/%.o)

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

.PHONY: all clean
all: $(EXE)

$(EXE): $(OBJECTS)
	$(CXX) $(LDFLAGS) -o $@ $(OBJECTS) $(LDLIBS)

$(OBJDIR)/%.o: %.cpp
	@mkdir -p $(dir $@)
	$(CXX) $(CXXFLAGS) -MMD -MP -c $< -o $@

clean:
	rm -rf build-make

-include $(OBJECTS:.o=.d)
