# The Windows installer: run by cpack (CPACK_PRE_BUILD_SCRIPTS of the Windows package) once
# the files of the .zip are installed in cpack's staging folder. It writes an installer
# description (.wxs) of exactly those files and has wixl build the MSI beside the .zip:
#   - every file under C:\Program Files\Tarvix Vizaze (programs, README, docs, examples);
#   - the folder Documents\Tarvix Vizaze with LOGS and SEQ, made for the user who installs:
#     the programs' start-up folder (settings.cfg, LOGS, SEQ), since Program Files is
#     read-only for a shop's user; they are the user's, and stay when it is uninstalled;
#   - a Start-menu entry "Tarvix Vizaze" starting there: the window when the package has
#     one, else a command prompt with the console tool on its PATH; with the window, a
#     second entry "Tarvix Vizaze (konsola)" for the console tool;
#   - an entry in "Apps & features", and a fixed upgrade code with a major upgrade: a newer
#     MSI replaces the installed one, an older one refuses to install over it.
# wixl (msitools 0.101) fails on any character outside ASCII in its input: every string
# here is ASCII, and a staged file whose name is not is refused with its name.
#
# Input (from CPackConfig.cmake or cpack -D): CPACK_TEMPORARY_DIRECTORY, CPACK_PACKAGE_DIRECTORY,
# CPACK_PACKAGE_FILE_NAME, CPACK_PACKAGE_VERSION, CPACK_TV_WIXL, CPACK_TV_MSIBUILD,
# CPACK_TV_CONVERT (may be empty).

set(upgrade_code "4C3F2E8A-7B1D-4E62-9A05-3D8B6F1C2E47")  # never changes: it ties the versions
set(menu_guid "4C3F2E8A-7B1D-4E62-9A05-3D8B6F1C2E48")
set(work_guid "4C3F2E8A-7B1D-4E62-9A05-3D8B6F1C2E49")
set(logs_guid "4C3F2E8A-7B1D-4E62-9A05-3D8B6F1C2E4A")
set(seq_guid "4C3F2E8A-7B1D-4E62-9A05-3D8B6F1C2E4B")
set(reg_key "Software\\Tarvix Vizaze")

file(GLOB_RECURSE cli LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*tarvix-vizaze-cli.exe")
if(NOT cli)
  message(FATAL_ERROR "MSI: no tarvix-vizaze-cli.exe in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
list(GET cli 0 cli)
get_filename_component(root "${cli}" DIRECTORY)
if(NOT CPACK_PACKAGE_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "MSI: the version must be three numbers: ${CPACK_PACKAGE_VERSION}")
endif()

# The upgrade: every installed version up to this one, this one too (wixl leaves out an
# inclusive maximum, so the bound is the next version, exclusive) is removed first; a
# newer one stops the installation.
string(REGEX REPLACE "^([0-9]+\\.[0-9]+)\\.([0-9]+)$" "\\1" major_minor "${CPACK_PACKAGE_VERSION}")
string(REGEX REPLACE "^[0-9]+\\.[0-9]+\\.([0-9]+)$" "\\1" patch "${CPACK_PACKAGE_VERSION}")
math(EXPR patch "${patch} + 1")
set(next_version "${major_minor}.${patch}")

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
list(SORT files)
foreach(f IN LISTS files)
  if(f MATCHES "[^ -~]")
    message(FATAL_ERROR "MSI: wixl takes ASCII names only, and this file's is not: ${f}")
  endif()
endforeach()
set(have_window OFF)
if(EXISTS "${root}/tarvix-vizaze.exe")
  set(have_window ON)
endif()

# wixl takes the files by paths relative to the folder of the description, made here.
get_filename_component(work_dir "${CPACK_TEMPORARY_DIRECTORY}/../msi" ABSOLUTE)
file(REMOVE_RECURSE "${work_dir}")
file(MAKE_DIRECTORY "${work_dir}")
file(RELATIVE_PATH source_root "${work_dir}" "${root}")

# An identifier for a path: readable, unique through a hash, within the 72-character limit.
function(tv_msi_id prefix path out)
  string(MD5 hash "${path}")
  string(SUBSTRING "${hash}" 0 10 hash)
  get_filename_component(name "${path}" NAME)
  string(REGEX REPLACE "[^A-Za-z0-9]" "_" name "${name}")
  string(SUBSTRING "${name}" 0 40 name)
  set(${out} "${prefix}_${name}_${hash}" PARENT_SCOPE)
endfunction()

# The <Directory> element of folder dir ("" for the install folder), holding one component
# per file and the folders below it; their ids go to refs.
function(tv_msi_folder dir indent out refs_out)
  set(xml "")
  set(refs "")
  set(subdirs "")
  foreach(f IN LISTS files)
    get_filename_component(parent "${f}" DIRECTORY)
    if(parent STREQUAL dir)
      tv_msi_id(c "${f}" id)
      get_filename_component(name "${f}" NAME)
      string(APPEND xml "${indent}  <Component Id=\"${id}\" Guid=\"*\" Win64=\"yes\">\n"
                        "${indent}    <File Id=\"${id}\" Name=\"${name}\" Source=\"${source_root}/${f}\" KeyPath=\"yes\"/>\n"
                        "${indent}  </Component>\n")
      list(APPEND refs ${id})
    elseif(dir STREQUAL "" AND NOT parent STREQUAL "")
      string(REGEX REPLACE "/.*" "" top "${parent}")
      list(APPEND subdirs "${top}")
    elseif(NOT dir STREQUAL "")
      string(FIND "${parent}/" "${dir}/" at)
      if(at EQUAL 0)
        string(LENGTH "${dir}/" skip)
        string(SUBSTRING "${parent}" ${skip} -1 rest)
        string(REGEX REPLACE "/.*" "" top "${rest}")
        list(APPEND subdirs "${dir}/${top}")
      endif()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES subdirs)
  foreach(sub IN LISTS subdirs)
    tv_msi_id(d "${sub}" id)
    get_filename_component(name "${sub}" NAME)
    tv_msi_folder("${sub}" "${indent}  " inner inner_refs)
    string(APPEND xml "${indent}  <Directory Id=\"${id}\" Name=\"${name}\">\n${inner}${indent}  </Directory>\n")
    list(APPEND refs ${inner_refs})
  endforeach()
  set(${out} "${xml}" PARENT_SCOPE)
  set(${refs_out} "${refs}" PARENT_SCOPE)
endfunction()

tv_msi_folder("" "        " program_files program_refs)

# The console: a command prompt in the start-up folder with the console tool on its PATH.
set(console_target "[System64Folder]cmd.exe")
set(console_args "/k &quot;set &quot;PATH=[INSTALLDIR];%PATH%&quot; &amp; tarvix-vizaze-cli --help&quot;")
# (Strings with ';' are built by appending: a CMake list would split them there.)
set(shortcuts "")
macro(tv_msi_shortcut id name target arguments)
  string(APPEND shortcuts
         "        <Shortcut Id=\"${id}\" Name=\"${name}\" Description=\"Logo w drukarkach i kasach fiskalnych\"\n"
         "                  Target=\"${target}\" WorkingDirectory=\"WORKDIR\"")
  if(NOT "${arguments}" STREQUAL "")
    string(APPEND shortcuts " Arguments=\"${arguments}\"")
  endif()
  string(APPEND shortcuts "/>\n")
endmacro()
if(have_window)
  tv_msi_shortcut(MenuWindow "Tarvix Vizaze" "[INSTALLDIR]tarvix-vizaze.exe" "")
  tv_msi_shortcut(MenuConsole "Tarvix Vizaze (konsola)" "${console_target}" "${console_args}")
else()
  tv_msi_shortcut(MenuConsole "Tarvix Vizaze" "${console_target}" "${console_args}")
endif()


set(icon_xml "")
if(CPACK_TV_CONVERT AND CPACK_TV_ICON_SVG)
  execute_process(COMMAND "${CPACK_TV_CONVERT}" -background none "${CPACK_TV_ICON_SVG}"
                          -define icon:auto-resize=48,32,16 "${work_dir}/tarvix-vizaze.ico"
                  RESULT_VARIABLE icon_status OUTPUT_QUIET ERROR_QUIET)
  if(icon_status EQUAL 0)
    string(APPEND icon_xml "    <Icon Id=\"tarvix_vizaze.ico\" SourceFile=\"tarvix-vizaze.ico\"/>\n"
                           "    <Property Id=\"ARPPRODUCTICON\" Value=\"tarvix_vizaze.ico\"/>\n")
  endif()
endif()

set(refs "")
foreach(r IN LISTS program_refs)
  string(APPEND refs "      <ComponentRef Id=\"${r}\"/>\n")
endforeach()

set(wxs "<?xml version=\"1.0\" encoding=\"utf-8\"?>
<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">
  <Product Id=\"*\" Name=\"Tarvix Vizaze\" Language=\"1033\" Version=\"${CPACK_PACKAGE_VERSION}\"
           Manufacturer=\"Tarvix Vizaze\" UpgradeCode=\"${upgrade_code}\">
    <Package InstallerVersion=\"200\" Compressed=\"yes\" InstallScope=\"perMachine\"
             Description=\"Tarvix Vizaze ${CPACK_PACKAGE_VERSION}\" Comments=\"Logo w drukarkach i kasach fiskalnych\"/>
    <Upgrade Id=\"${upgrade_code}\">
      <UpgradeVersion Minimum=\"0.0.0\" IncludeMinimum=\"yes\" Maximum=\"${next_version}\" Property=\"TV_OLDER_FOUND\"/>
      <UpgradeVersion Minimum=\"${CPACK_PACKAGE_VERSION}\" IncludeMinimum=\"no\" OnlyDetect=\"yes\" Property=\"TV_NEWER_FOUND\"/>
    </Upgrade>
    <Condition Message=\"Zainstalowana jest nowsza wersja Tarvix Vizaze.\">NOT TV_NEWER_FOUND</Condition>
    <CustomAction Id=\"SetInstallLocation\" Property=\"ARPINSTALLLOCATION\" Value=\"[INSTALLDIR]\" Execute=\"immediate\"/>
    <InstallExecuteSequence>
      <RemoveExistingProducts After=\"InstallValidate\"/>
      <Custom Action=\"SetInstallLocation\" Sequence=\"1001\"/>
    </InstallExecuteSequence>
    <Media Id=\"1\" Cabinet=\"tarvix.cab\" EmbedCab=\"yes\"/>
    <Property Id=\"ARPNOMODIFY\" Value=\"1\"/>
    <Property Id=\"ARPCOMMENTS\" Value=\"Logo w drukarkach i kasach fiskalnych\"/>
${icon_xml}    <Directory Id=\"TARGETDIR\" Name=\"SourceDir\">
      <Directory Id=\"ProgramFiles64Folder\">
        <Directory Id=\"INSTALLDIR\" Name=\"Tarvix Vizaze\">
${program_files}        </Directory>
      </Directory>
      <Directory Id=\"ProgramMenuFolder\"/>
      <Directory Id=\"PersonalFolder\">
        <Directory Id=\"WORKDIR\" Name=\"Tarvix Vizaze\">
          <Directory Id=\"WORKDIR_LOGS\" Name=\"LOGS\"/>
          <Directory Id=\"WORKDIR_SEQ\" Name=\"SEQ\"/>
        </Directory>
      </Directory>
    </Directory>
    <DirectoryRef Id=\"ProgramMenuFolder\">
      <Component Id=\"StartMenu\" Guid=\"${menu_guid}\" Win64=\"yes\">
${shortcuts}        <RegistryValue Root=\"HKCU\" Key=\"${reg_key}\" Name=\"StartMenu\" Type=\"integer\" Value=\"1\" KeyPath=\"yes\"/>
      </Component>
    </DirectoryRef>
    <DirectoryRef Id=\"WORKDIR\">
      <Component Id=\"WorkFolder\" Guid=\"${work_guid}\" Win64=\"yes\">
        <CreateFolder/>
        <RegistryValue Root=\"HKCU\" Key=\"${reg_key}\" Name=\"WorkFolder\" Type=\"string\" Value=\"[WORKDIR]\" KeyPath=\"yes\"/>
      </Component>
    </DirectoryRef>
    <DirectoryRef Id=\"WORKDIR_LOGS\">
      <Component Id=\"WorkLogs\" Guid=\"${logs_guid}\" Win64=\"yes\">
        <CreateFolder/>
        <RegistryValue Root=\"HKCU\" Key=\"${reg_key}\" Name=\"Logs\" Type=\"integer\" Value=\"1\" KeyPath=\"yes\"/>
      </Component>
    </DirectoryRef>
    <DirectoryRef Id=\"WORKDIR_SEQ\">
      <Component Id=\"WorkSeq\" Guid=\"${seq_guid}\" Win64=\"yes\">
        <CreateFolder/>
        <RegistryValue Root=\"HKCU\" Key=\"${reg_key}\" Name=\"Seq\" Type=\"integer\" Value=\"1\" KeyPath=\"yes\"/>
      </Component>
    </DirectoryRef>
    <Feature Id=\"Complete\" Title=\"Tarvix Vizaze\" Level=\"1\">
${refs}      <ComponentRef Id=\"StartMenu\"/>
      <ComponentRef Id=\"WorkFolder\"/>
      <ComponentRef Id=\"WorkLogs\"/>
      <ComponentRef Id=\"WorkSeq\"/>
    </Feature>
  </Product>
</Wix>
")
if(wxs MATCHES "[^\t\n -~]")
  message(FATAL_ERROR "MSI: the installer description must be ASCII for wixl")
endif()
set(wxs_file "${work_dir}/tarvix-vizaze.wxs")
file(WRITE "${wxs_file}" "${wxs}")

set(msi "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi")
execute_process(COMMAND "${CPACK_TV_WIXL}" --arch x64 --output "${msi}" tarvix-vizaze.wxs
                WORKING_DIRECTORY "${work_dir}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "MSI: wixl failed (${status}) on ${wxs_file}:\n${out}")
endif()
# The start-up folder, LOGS and SEQ are the user's once made (LOGS and SEQ, even empty,
# switch the records on): their components are permanent (msidbComponentAttributesPermanent,
# 16, beside 64-bit's 256), so that neither an uninstall nor an upgrade removes them. wixl
# has no attribute for it: the MSI's Component table is set after it.
execute_process(COMMAND "${CPACK_TV_MSIBUILD}" "${msi}" -q
                        "UPDATE `Component` SET `Attributes` = 272 WHERE `Component` = 'WorkFolder' OR `Component` = 'WorkLogs' OR `Component` = 'WorkSeq'"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "MSI: msibuild failed (${status}) on ${msi}:\n${out}")
endif()
if(have_window)
  message(STATUS "MSI: ${msi} (the window, the console tool, the simulator)")
else()
  message(STATUS "MSI: ${msi} (the console tool and the simulator; no window in this build)")
endif()
