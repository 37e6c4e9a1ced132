#include "tree/tree_files.h"

#include <gio/gio.h>

namespace {

// Takes the error's message into `error`; always false, for returning.
bool Fail(GError* failure, std::string& error) {
  error = failure ? failure->message : "unknown error";
  if (failure) g_error_free(failure);
  return false;
}

class CFile {
public:
  explicit CFile(const std::string& path) : file(g_file_new_for_path(path.c_str())) {}
  ~CFile() { g_object_unref(file); }
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  GFile* get() const { return file; }

private:
  GFile* file;
};

bool DeleteTree(GFile* file, std::string& error) {
  GError* failure = nullptr;
  GFileInfo* info = g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_TYPE, G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS,
                                      nullptr, &failure);
  if (!info) return Fail(failure, error);
  const bool directory = g_file_info_get_file_type(info) == G_FILE_TYPE_DIRECTORY;
  g_object_unref(info);
  if (directory) {
    GFileEnumerator* children = g_file_enumerate_children(file, G_FILE_ATTRIBUTE_STANDARD_NAME,
                                                          G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, nullptr, &failure);
    if (!children) return Fail(failure, error);
    bool ok = true;
    for (;;) {
      GFileInfo* child = nullptr;
      GFile* childFile = nullptr;
      if (!g_file_enumerator_iterate(children, &child, &childFile, nullptr, &failure)) {
        ok = Fail(failure, error);
        break;
      }
      if (!child) break;
      if (!DeleteTree(childFile, error)) {
        ok = false;
        break;
      }
    }
    g_object_unref(children);
    if (!ok) return false;
  }
  if (!g_file_delete(file, nullptr, &failure)) return Fail(failure, error);
  return true;
}

}  // namespace

bool CTreeFiles::Move(const std::string& from, const std::string& to, std::string& error) const {
  CFile source(FilePath(from)), target(FilePath(to));
  GError* failure = nullptr;
  const auto flags = GFileCopyFlags(G_FILE_COPY_NOFOLLOW_SYMLINKS | G_FILE_COPY_ALL_METADATA);
  if (!g_file_move(source.get(), target.get(), flags, nullptr, nullptr, nullptr, &failure)) return Fail(failure, error);
  return true;
}

bool CTreeFiles::MakeFolder(const std::string& notePath, std::string& error) const {
  CFile folder(FilePath(notePath));
  GError* failure = nullptr;
  if (!g_file_make_directory(folder.get(), nullptr, &failure)) return Fail(failure, error);
  return true;
}

bool CTreeFiles::CreateNote(const std::string& notePath, std::string& error) const {
  CFile note(FilePath(notePath));
  GError* failure = nullptr;
  GFileOutputStream* stream = g_file_create(note.get(), G_FILE_CREATE_NONE, nullptr, &failure);
  if (!stream) return Fail(failure, error);
  const bool closed = g_output_stream_close(G_OUTPUT_STREAM(stream), nullptr, &failure);
  g_object_unref(stream);
  if (!closed) return Fail(failure, error);
  return true;
}

bool CTreeFiles::CanTrash(const std::string& notePath) const {
  CFile entry(FilePath(notePath));
  GFileInfo* info = g_file_query_info(entry.get(), G_FILE_ATTRIBUTE_ACCESS_CAN_TRASH,
                                      G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, nullptr, nullptr);
  if (!info) return false;
  const bool can = g_file_info_get_attribute_boolean(info, G_FILE_ATTRIBUTE_ACCESS_CAN_TRASH);
  g_object_unref(info);
  return can;
}

bool CTreeFiles::Trash(const std::string& notePath, std::string& error) const {
  CFile entry(FilePath(notePath));
  GError* failure = nullptr;
  if (!g_file_trash(entry.get(), nullptr, &failure)) return Fail(failure, error);
  return true;
}

bool CTreeFiles::Delete(const std::string& notePath, std::string& error) const {
  CFile entry(FilePath(notePath));
  return DeleteTree(entry.get(), error);
}
