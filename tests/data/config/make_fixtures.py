#!/usr/bin/env python3
"""Writes the configuration folders that `vorlax check` is tested on, as UTF-16LE files.

Each folder holds props.xml, install.xml and defines.xml. "good" is a complete configuration;
every other folder is "good" with one fault, named after the fault. Run it from anywhere; it
rewrites the folders next to itself.
"""
import os
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))

TEXT_IDS = [
    "WELCOME_DIALOG_TITLE", "WELCOME_DIALOG_LINE1", "WELCOME_DIALOG_LINE2",
    "WELCOME_DIALOG_DIRECTORY", "WELCOME_DIALOG_MENU_LOCATION", "OPTIONS_DIALOG_TITLE",
    "OPTIONS_DIALOG_LINE1", "OPTIONS_DIALOG_DIRECTORY", "OPTIONS_DIALOG_MENU_LOCATION",
    "LICENSE_DIALOG_TITLE", "LICENSE_DIALOG_LINE1", "INSTALL_DIALOG_TITLE", "INSTALL_DIALOG_LINE1",
    "INSTALL_DIALOG_EXTRACTING", "INSTALL_DIALOG_TOTAL_PROGRESS", "LAUNCH_DIALOG_TITLE",
    "LAUNCH_DIALOG_LINE1", "LAUNCH_DIALOG_LINE2", "LAUNCH_DIALOG_LINE3",
    "LAUNCH_DIALOG_LAUNCH_CHECK", "ABORT_DIALOG_TITLE", "ABORT_DIALOG_LINE1", "ABORT_DIALOG_LINE2",
    "ABORT_DIALOG_LINE3", "BUTTON_NEXT", "BUTTON_BACK", "BUTTON_CANCEL", "BUTTON_DONE",
    "BUTTON_EXIT", "BUTTON_VIEW_README", "BUTTON_CHANGE_SETTINGS", "BUTTON_BROWSE",
    "BUTTON_DONT_AGREE", "BUTTON_AGREE", "FATAL_POPUP_TITLE", "ABORT_POPUP_TITLE",
    "ABORT_POPUP_TEXT", "DX_UPGRADE_TITLE", "DX_UPGRADE_TEXT", "ADMIN_INSTALL", "ERROR",
    "ERROR_WITH", "INVALID_DRIVE", "DIFF_PATH", "INVALID_PATH", "INVALID_START_TITLE",
    "INVALID_START_BODY", "INSUFFICIENT_SPACE_TITLE", "INSUFFICIENT_SPACE_BODY",
    "SPEC_PATH_DRIVE", "SPEC_PATH_LOCAL", "SELECT_DIRECTORY",
    "UNINSTALL_ENSURE_NOT_RUNNING_TITLE", "UNINSTALL_ENSURE_NOT_RUNNING_TEXT",
]

SPECIAL_TEXTS = {
    "WELCOME_DIALOG_TITLE": "Welcome to %InstallName%",
    "BUTTON_NEXT": "Next &gt;",
    "BUTTON_BACK": "&lt; Back",
    "FATAL_POPUP_TITLE": "%InstallName% Setup",
    "LAUNCH_DIALOG_LINE1": "%InstallName% is installed in&cr;%InstallPath%.",
}


def props(ids=TEXT_IDS, extra=""):
    lines = ['<?xml version="1.0" encoding="UTF-16"?>', "<Properties>", "  <!-- pages -->"]
    for text_id in ids:
        text = SPECIAL_TEXTS.get(text_id, text_id.replace("_", " ").title())
        lines.append('  <String id="%s">%s</String>' % (text_id, text))
    lines.append('  <StringArray id="LANGUAGES"><String>English</String></StringArray>')
    if extra:
        lines.append(extra)
    lines.append("</Properties>")
    return "\r\n".join(lines) + "\r\n"


def install(extra=""):
    return "\r\n".join([
        '<?xml version="1.0" encoding="UTF-16"?>',
        "<InstallConfig>",
        "  <RunExe>%InstallPath%\\demo.exe</RunExe>",
        "  <InstallLog>%InstallPath%\\install.log</InstallLog>",
        "  <UninstallCmd>%InstallPath%\\uninst.exe &quot;%InstallPath%\\install.log&quot;</UninstallCmd>",
        "  <ReadmeTitle>readme.html</ReadmeTitle>",
        "  <LicenseTitle>license.txt</LicenseTitle>",
        "  <UninstallDeltree>%InstallPath%</UninstallDeltree>",
        "  <UninstallDeltree>%CommonProgramGroup%\\%InstallGroup%</UninstallDeltree>",
        "  <UserDirectory>%InstallPath%\\saves|%Windows%\\saves</UserDirectory>",
        "  <Registry>",
        "    <RegValue><Key>HKLM\\SOFTWARE\\Vorlax\\%InstallName%</Key><Name>Path</Name>"
        "<Value>%InstallPath%</Value><TypeNum>1</TypeNum></RegValue>",
        "  </Registry>",
        "  <Shortcuts>",
        "    <Shortcut><Dest>%AppFolder%\\%InstallName%</Dest><Target>%InstallPath%\\demo.exe</Target></Shortcut>",
        "  </Shortcuts>",
        "  <ExFileInfo>",
        "  </ExFileInfo>",
        extra,
        "</InstallConfig>",
    ]) + "\r\n"


def defines(extra=""):
    return "\r\n".join([
        '<?xml version="1.0" encoding="UTF-16"?>',
        "<Defines>",
        "  <Define><Name>InstallGroup</Name><Value>Vorlax Games</Value></Define>",
        "  <Define><Name>InstallName</Name><Value>Vorlax Demo %Version%</Value></Define>",
        "  <Define><Name>InstallPath</Name><Value>%ProgramFiles%\\Vorlax Demo</Value></Define>",
        "  <Define><Name>Version</Name><Value>1.2</Value></Define>",
        extra,
        "</Defines>",
    ]) + "\r\n"


def write(folder, name, text, encoding="utf-16-le", mark=b"\xff\xfe"):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(mark + text.encode(encoding))


FOLDERS = {
    # name: (props, install, defines, how props is written)
    "good": (props(), install(), defines(), "mark"),
    "good_without_mark": (props(), install(), defines(), "no-mark"),
    "warnings": (props(ids=[i for i in TEXT_IDS if i != "BUTTON_NEXT"]),
                 install("  <PostExec><Exe>%InstallPath%\\%Helper%.exe</Exe></PostExec>"),
                 defines("  <Define><Name>Title</Name><Value>%InstallName% %Edition%</Value></Define>"),
                 "mark"),
    "action_warnings": (props(),
                        install("\r\n".join([
                            "  <Registry>",
                            "    <RegValue><Key>hkcu\\Software\\Vorlax</Key><Name>A</Name><Value>1</Value><TypeNum>0</TypeNum></RegValue>",
                            "    <RegValue><Key>%BadKey%\\Vorlax</Key><Name>B</Name><Value>1</Value><TypeNum>3</TypeNum></RegValue>",
                            "    <RegValue><Key>%GoodKey%</Key><Name>C</Name><Value>A 0B zz</Value><TypeNum>2</TypeNum></RegValue>",
                            "    <RegValue><Key>#IfSet 1,hkcu\\x</Key><Name>D</Name><Value>de AD be</Value><TypeNum>2</TypeNum></RegValue>",
                            "  </Registry>",
                            "  <GrantAllRegistryPermissions>HKLM</GrantAllRegistryPermissions>",
                            "  <GrantAllRegistryPermissions>HKLM\\SOFTWARE\\Vorlax</GrantAllRegistryPermissions>",
                            "  <UninstallDelRegKey>#Bogus|HKLM\\SOFTWARE\\Vorlax</UninstallDelRegKey>",
                            "  <Shortcuts><Shortcut><Dest>%AppFolder%\\Play</Dest><Target>%InstallPath%\\game.exe</Target></Shortcut>",
                            "    <Shortcut><Dest>%AppFolder%\\Readme.LNK</Dest><Target>%InstallPath%\\readme.txt</Target></Shortcut></Shortcuts>",
                        ])),
                        defines("\r\n".join([
                            "  <Define><Name>BadKey</Name><Value>HKEY_CURRENT_USER\\Software</Value></Define>",
                            "  <Define><Name>GoodKey</Name><Value>HKCU\\Software\\%InstallGroup%</Value></Define>",
                            "  <Define><Name>InstallName</Name><Value></Value></Define>",
                            "  <Define><Name>Check</Name><Value>#IfSet %InstallPath%|#Uppercase</Value></Define>",
                            "  <Define><Name>Nested</Name><Value>#IfEq a,b,#Lower x|no</Value></Define>",
                            "  <Define><Name>Fine</Name><Value>#Registry HKLM\\SOFTWARE\\Vorlax,Path|##Literal</Value></Define>",
                        ])),
                        "mark"),
    "props_wrong_root": (props().replace("Properties>", "Props>"), install(), defines(), "mark"),
    "props_utf8": (props(), install(), defines(), "utf-8"),
    "install_unknown_element": (props(), install("  <Product>Demo</Product>"), defines(), "mark"),
    "install_element_in_text": (props(), install("  <RunExe>a<B/></RunExe>"), defines(), "mark"),
    "defines_mismatched_end": (props(), install(), defines("  <Define><Name>X</Name></Value></Define>"),
                               "mark"),
    "defines_unbalanced_quote": (props(), install(), defines('  <Define><Name>X</Name><Value>"open</Value></Define>'),
                                 "mark"),
    "defines_missing": (props(), install(), None, "mark"),
}


def main():
    for name, (props_text, install_text, defines_text, style) in FOLDERS.items():
        folder = os.path.join(HERE, name)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        if style == "utf-8":
            write(folder, "props.xml", props_text, "utf-8", b"")
        elif style == "no-mark":
            write(folder, "props.xml", props_text, mark=b"")
        else:
            write(folder, "props.xml", props_text)
        write(folder, "install.xml", install_text)
        if defines_text is not None:
            write(folder, "defines.xml", defines_text)


if __name__ == "__main__":
    main()
