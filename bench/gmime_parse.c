/* The comparison for `tvmail parse`: parses each message file with GMime and decodes what a
 * mail client shows of it (subject, date and address headers; every part's content decoded
 * from its transfer encoding, text parts also converted from their charset to UTF-8, file names
 * decoded). Prints one line per message: its file, the decoded subject and the decoded bytes.
 *   gmime_parse FILE.eml...
 */
#include <fcntl.h>
#include <gmime/gmime.h>
#include <stdio.h>

/* Writes the part's decoded content to a null stream, through a charset filter for text. */
static void DecodePart(GMimeObject* parent, GMimeObject* part, gpointer data) {
  (void)parent;
  gint64* total = data;
  if (!GMIME_IS_PART(part)) return;
  g_free(g_strdup(g_mime_part_get_filename(GMIME_PART(part))));
  GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(part));
  if (content == NULL) return;
  GMimeStream* sink = g_mime_stream_null_new();
  GMimeStream* out = g_mime_stream_filter_new(sink);
  const char* charset = g_mime_object_get_content_type_parameter(part, "charset");
  GMimeContentType* type = g_mime_object_get_content_type(part);
  if (charset != NULL && g_mime_content_type_is_type(type, "text", "*")) {
    GMimeFilter* convert = g_mime_filter_charset_new(charset, "UTF-8");
    if (convert != NULL) {
      g_mime_stream_filter_add(GMIME_STREAM_FILTER(out), convert);
      g_object_unref(convert);
    }
  }
  const gint64 written = g_mime_data_wrapper_write_to_stream(content, out);
  g_mime_stream_flush(out);
  if (written > 0) *total += written;
  g_object_unref(out);
  g_object_unref(sink);
}

/* The addresses of one header as a reader sees them (decoded); freed at once. */
static void ShowAddresses(InternetAddressList* list) {
  if (list != NULL) g_free(internet_address_list_to_string(list, NULL, FALSE));
}

static int ParseFile(const char* path) {
  GError* error = NULL;
  GMimeStream* stream = g_mime_stream_fs_open(path, O_RDONLY, 0, &error);
  if (stream == NULL) {
    fprintf(stderr, "gmime_parse: %s: %s\n", path, error->message);
    g_error_free(error);
    return 1;
  }
  GMimeParser* parser = g_mime_parser_new_with_stream(stream);
  GMimeMessage* message = g_mime_parser_construct_message(parser, NULL);
  g_object_unref(parser);
  g_object_unref(stream);
  if (message == NULL) {
    fprintf(stderr, "gmime_parse: %s: not a message\n", path);
    return 1;
  }
  ShowAddresses(g_mime_message_get_from(message));
  ShowAddresses(g_mime_message_get_to(message));
  ShowAddresses(g_mime_message_get_cc(message));
  GDateTime* date = g_mime_message_get_date(message);
  if (date != NULL) g_free(g_date_time_format_iso8601(date));
  gint64 decoded = 0;
  g_mime_message_foreach(message, DecodePart, &decoded);
  const char* subject = g_mime_message_get_subject(message);
  printf("%s\t%s\t%lld\n", path, subject != NULL ? subject : "", (long long)decoded);
  g_object_unref(message);
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: gmime_parse FILE.eml...\n");
    return 2;
  }
  g_mime_init();
  int status = 0;
  for (int i = 1; i < argc; ++i)
    status |= ParseFile(argv[i]);
  g_mime_shutdown();
  return status;
}
