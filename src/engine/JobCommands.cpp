#include "engine/JobCommands.h"

namespace trevane {

std::string JobCommands::quoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (char c : text) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string JobCommands::stampArchiveName(std::string_view name, std::string_view stamp) {
    std::string out(name);
    const std::size_t at = out.find("%t");
    if (at != std::string::npos)
        out.replace(at, 2, stamp);
    return out;
}

std::string JobCommands::sourceArgument(const PathConventions& conv, std::string_view src,
                                        std::string_view files) {
    if (files.empty())
        return quoted(src);
    return quoted(conv.join(src, files));
}

std::string JobCommands::copyCommand(std::string_view sourceArgument, std::string_view dst,
                                     std::string_view switches) {
    std::string out = "xcopy ";
    out.append(sourceArgument);
    out.push_back(' ');
    out.append(quoted(dst));
    out.push_back(' ');
    out.append(switches);
    return out;
}

std::string JobCommands::archiveFile(const PathConventions& conv, std::string archivePath) {
    const std::string name = conv.fileName(archivePath);
    if (!name.empty() && name.find('.') == std::string::npos)
        archivePath += ".lzh";
    return archivePath;
}

std::string JobCommands::archiveCommand(const PathConventions& conv, std::string_view archivePath,
                                        std::string_view src, std::string_view files,
                                        std::string_view switches) {
    std::string out = "u ";
    out.append(quoted(archivePath));
    out.push_back(' ');
    std::string base(src);
    base.push_back(conv.separator);
    out.append(quoted(base));
    out.push_back(' ');
    if (!files.empty())
        out.append(quoted(files));
    out.push_back(' ');
    out.append(switches);
    return out;
}

std::string JobCommands::archivePreviewCommand(std::string_view archivePath,
                                               std::string_view baseFolder, std::string_view files,
                                               std::string_view switches) {
    std::string out = "u ";
    out += quoted(archivePath);
    out += ' ';
    out += quoted(baseFolder);
    if (!files.empty()) {
        out += ' ';
        out += quoted(files);
    }
    out += ' ';
    out += switches;
    return out;
}

std::string JobCommands::selfExtractingCommand(const PathConventions& conv,
                                               std::string_view archive, std::string_view folder) {
    std::string out = "s ";
    out += quoted(archive);
    out += ' ';
    out += quoted(conv.withTrailingSeparator(std::string(folder)));
    out += " -gw";
    return out;
}

std::string JobCommands::clearCommand(std::string_view dst) {
    return "deltree /Y " + quoted(dst);
}

std::string JobCommands::folderWindowCommand(std::string_view dst) {
    return "xdg-open " + quoted(dst);
}

} // namespace trevane
