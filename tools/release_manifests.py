#!/usr/bin/env python3
"""The package managers' manifests of a release, written beside its zip by tools/package.

Usage: release_manifests.py ZIP VERSION TEMPLATE, or release_manifests.py TEMPLATE to check
the template alone (before anything is built).

TEMPLATE is the address the zip is published at, with $version where the version stands (as
Scoop writes it), for example https://downloads.example.org/tessmor/$version/Tessmor-$version.zip.
Writes, in the zip's folder:
  winget/Tessmor.Tessmor.yaml, .installer.yaml, .locale.en-US.yaml  (manifest schema 1.6.0)
  scoop/tessmor.json
Both name the zip's SHA-256. One zip holds both architectures, so both installers name the same
zip and hash, each with its own folder in it."""
import hashlib
import json
import os
import re
import sys

PLACEHOLDER = "https://example.invalid/tessmor/$version/Tessmor-$version.zip"
IDENTIFIER = "Tessmor.Tessmor"
MANIFEST_VERSION = "1.6.0"
PUBLISHER = "Tessmor"
LICENSE = "Unknown"
DESCRIPTION = "Reads and sets the demodulator modes of the two tuners of the VKO 8317 dual-tuner TV card"
FOLDERS = (("x86", "32bit"), ("x64", "64bit"))  # the zip's folder, winget's and Scoop's names
ALIASES = ("tessmorctl", "tessmorctlw")


class TemplateError(ValueError):
    pass


def check_template(template):
    """The template as it may be used, or TemplateError saying what is wrong with it."""
    if any(ord(c) < 0x21 or ord(c) > 0x7E for c in template):
        raise TemplateError("the URL template must be printable ASCII without blanks "
                            "(write other characters %-encoded): " + ascii(template))
    if not re.match(r"^https?://[^/]+/", template):
        raise TemplateError("the URL template must begin with https:// or http:// and a host: " + template)
    if "$version" not in template:
        raise TemplateError("the URL template must hold $version where the version stands: " + template)
    return template


def release_url(template, version):
    return template.replace("$version", version)


def version_page(template):
    """Where checkver looks for the newest version: the template's folder above the first part of
    its path that names the version, which is expected to list (link) the releases' zips."""
    host = re.match(r"^https?://[^/]+/", template).group(0)
    page = host
    for part in template[len(host):].split("/"):
        if "$version" in part:
            break
        page += part + "/"
    return page


def scoop_manifest(version, sha256, template):
    url = release_url(template, version)
    return {
        "version": version,
        "description": DESCRIPTION,
        "homepage": version_page(template),
        "license": LICENSE,
        "architecture": {
            scoop: {"url": url, "hash": sha256, "extract_dir": folder} for folder, scoop in FOLDERS
        },
        "bin": [alias + ".exe" for alias in ALIASES],
        "shortcuts": [["Tessmor.exe", "Tessmor"]],
        "checkver": {"url": version_page(template), "regex": r"Tessmor-([\d.]+)\.zip"},
        "autoupdate": {
            "architecture": {scoop: {"url": template} for _, scoop in FOLDERS},
            # tools/package publishes Tessmor-VERSION.zip.sha256 beside every zip.
            "hash": {"url": "$url.sha256"},
        },
    }


def yaml_scalar(value):
    """A text as a YAML double-quoted scalar. JSON's string form is one (every character outside
    printable ASCII escaped), so no text can end the scalar or start another key."""
    return json.dumps(value, ensure_ascii=True)


def yaml_document(schema, fields):
    """A YAML mapping of texts, and of lists of mappings of texts, in the order given."""
    lines = ["# yaml-language-server: $schema=https://aka.ms/winget-manifest.%s.%s.schema.json"
             % (schema, MANIFEST_VERSION), ""]
    for key, value in fields:
        if isinstance(value, list):
            lines.append("%s:" % key)
            for item in value:
                lines.extend(yaml_list_item(item, "- ", "  "))
        else:
            lines.append("%s: %s" % (key, yaml_scalar(value)))
    return "\n".join(lines) + "\n"


def yaml_list_item(fields, first, rest):
    lines = []
    for index, (key, value) in enumerate(fields):
        lead = first if index == 0 else rest
        if isinstance(value, list):
            lines.append("%s%s:" % (lead, key))
            for item in value:
                lines.extend(yaml_list_item(item, rest + "- ", rest + "  "))
        else:
            lines.append("%s%s: %s" % (lead, key, yaml_scalar(value)))
    return lines


def winget_manifests(version, sha256, template):
    """The three files of a winget manifest set, by name."""
    url = release_url(template, version)
    installers = [[
        ("Architecture", folder),
        ("InstallerUrl", url),
        ("InstallerSha256", sha256.upper()),
        ("NestedInstallerFiles", [[("RelativeFilePath", "%s\\%s.exe" % (folder, alias)),
                                   ("PortableCommandAlias", alias)] for alias in ALIASES]),
    ] for folder, _ in FOLDERS]
    head = [("PackageIdentifier", IDENTIFIER), ("PackageVersion", version)]
    tail = [("ManifestVersion", MANIFEST_VERSION)]
    return {
        IDENTIFIER + ".yaml": yaml_document("version", head + [
            ("DefaultLocale", "en-US"), ("ManifestType", "version")] + tail),
        IDENTIFIER + ".installer.yaml": yaml_document("installer", head + [
            ("InstallerType", "zip"), ("NestedInstallerType", "portable"),
            ("Installers", installers), ("ManifestType", "installer")] + tail),
        IDENTIFIER + ".locale.en-US.yaml": yaml_document("defaultLocale", head + [
            ("PackageLocale", "en-US"), ("Publisher", PUBLISHER), ("PackageName", "Tessmor"),
            ("License", LICENSE), ("ShortDescription", DESCRIPTION),
            ("Moniker", "tessmor"), ("ManifestType", "defaultLocale")] + tail),
    }


def write(zip_path, version, template):
    with open(zip_path, "rb") as made:
        sha256 = hashlib.sha256(made.read()).hexdigest()
    out = os.path.dirname(os.path.abspath(zip_path))
    files = {os.path.join("winget", name): text
             for name, text in winget_manifests(version, sha256, template).items()}
    files[os.path.join("scoop", "tessmor.json")] = json.dumps(
        scoop_manifest(version, sha256, template), indent=4) + "\n"
    for name, text in files.items():
        path = os.path.join(out, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="ascii", newline="\n") as manifest:
            manifest.write(text)


def main(arguments):
    template = arguments[-1]
    try:
        check_template(template)
    except TemplateError as error:
        print("tools/package: %s" % error, file=sys.stderr)
        return 2
    if len(arguments) == 3:
        write(arguments[0], arguments[1], template)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
