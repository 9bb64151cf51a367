#include "app/cli/image/stored_image.h"

#include "stored/urt_file_name.h"

StoredImage ReadStoredImage(const std::string& path) {
    StoredImage image;
    image.path = path;
    image.named = AnalyseStoredFile(path);
    image.urt = IsUrtFileName(path);
    image.sectionFiles = !image.urt && StandsForSectionFiles(image.named);
    if (image.urt)
        image.files.push_back(image.named);
    else
        image.files = AnalyseSectionFiles(path, &image.named);
    return image;
}
