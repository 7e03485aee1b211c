# Checks that every include of the product code points down the layers:
#   base ← table ← grid ← app,  platform ← grid, status, app,
# and inside the grid tree/ ← view/ ← db/. Qt is included only by
# platform/qt and app. Run by CTest (label `layers`) as
#   cmake -DROOT=<source folder> -P CheckIncludes.cmake
# and fails with one line per include that breaks a rule.

if(NOT ROOT)
  message(FATAL_ERROR "CheckIncludes.cmake needs -DROOT=<source folder>")
endif()

# Each rule: a folder and the project folders its files may include. The
# folders do not overlap: every product file falls under exactly one rule.
set(rules
  "base:base"
  "table:base table"
  "platform:base platform"
  "grid/tree:base platform grid/tree"
  "grid/view:base platform grid/tree grid/view"
  "grid/db:base table platform grid/tree grid/view grid/db"
  "status:base platform status"
  "app:base table platform grid status app")
set(qt_folders platform/qt app)

set(faults "")
set(checked 0)
foreach(rule IN LISTS rules)
  string(REPLACE ":" ";" parts "${rule}")
  list(GET parts 0 folder)
  list(GET parts 1 allowed)
  string(REPLACE " " ";" allowed "${allowed}")
  file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  foreach(file IN LISTS files)
    math(EXPR checked "${checked} + 1")
    set(qt_allowed FALSE)
    foreach(qt_folder IN LISTS qt_folders)
      string(FIND "${file}" "${qt_folder}/" at)
      if(at EQUAL 0)
        set(qt_allowed TRUE)
      endif()
    endforeach()
    file(STRINGS ${ROOT}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
      if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
        set(target "${CMAKE_MATCH_1}")
        set(ok FALSE)
        # Includes without a folder (moc output, a file's own neighbours in
        # generated code) name no layer.
        if(NOT target MATCHES "/")
          set(ok TRUE)
        endif()
        foreach(layer IN LISTS allowed)
          string(FIND "${target}" "${layer}/" at)
          if(at EQUAL 0)
            set(ok TRUE)
          endif()
        endforeach()
        if(NOT ok)
          string(APPEND faults "${file}: includes ${target}, which ${folder}/ may not see\n")
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z]*)" AND NOT qt_allowed)
        string(APPEND faults "${file}: includes Qt (${CMAKE_MATCH_1}) outside platform/qt and app\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "no source files found under ${ROOT}")
endif()
if(faults)
  message(FATAL_ERROR "Includes against the layers:\n${faults}")
endif()
message(STATUS "${checked} files follow the layers")
