#include "app/cli/image/leftovers.h"

#include "app/cli/image/image_replace.h"

std::vector<Leftover> LeftoversOf(const ImageNames& names, Disk& disk) {
    std::vector<Leftover> found;
    using Paths = std::vector<std::string>;
    const Paths incomplete = FilesOnDisk(names.IncompleteFiles(), disk);
    Paths aside;
    for (const std::string& path : names.Files())
        if (disk.Exists(AsideName(path))) aside.push_back(AsideName(path));
    const Paths newIndex = FilesOnDisk({names.newIndex}, disk);
    const std::string image = names.image;
    // Links at the image's names: something else made them; the tool never follows one.
    Paths all = names.Files(), links;
    for (const Paths& more : {names.IncompleteFiles(), aside, Paths{names.record, names.newIndex}})
        all.insert(all.end(), more.begin(), more.end());
    for (const std::string& path : all)
        if (disk.IsLink(path)) links.push_back(path);
    if (!links.empty())
        found.push_back({links, "links, which the tool never makes: a download or the finishing of a move of " + image +
                                    " stops until they are removed", true});
    if (disk.Exists(names.record)) {
        const Settlement next = SettleEarlierMove(names, disk, true);
        Leftover record{{names.record}, "the record of a move: " + next.said, !next.nameWhole};
        for (const Paths* files : std::initializer_list<const Paths*>{&incomplete, &aside, &newIndex})
            record.paths.insert(record.paths.end(), files->begin(), files->end());
        found.push_back(record);
        return found;
    }
    if (!incomplete.empty())
        found.push_back({incomplete, "what an earlier download of " + image +
                                         " left when it did not end whole: the next download of it removes them"});
    if (!aside.empty())
        found.push_back({aside, "files of an old image that a replace moved aside and did not remove (was it cut "
                                "short?): the next download of " + image +
                                " stops until each is moved back to its name or away"});
    if (!newIndex.empty())
        found.push_back({newIndex, "an index file written for a move that did not take place: the next download of " +
                                       image + " removes it"});
    return found;
}
