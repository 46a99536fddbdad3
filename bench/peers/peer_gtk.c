/* A start-up peer: the minimal GTK 3 program a user might run instead, a 601 x 439 window
 * with a button and a label. It prints the bench's first-frame line once the first frame
 * has been drawn and the display has synced. */

#include <gtk/gtk.h>
#include <stdio.h>

/* Runs after the frame clock's paint, which has a higher priority than default idles. */
static gboolean report(gpointer data) {
    gdk_display_sync(gtk_widget_get_display(GTK_WIDGET(data)));
    fprintf(stderr, "tolvane: first frame presented\n");
    return G_SOURCE_REMOVE;
}

static gboolean drawn(GtkWidget* window, cairo_t* cr, gpointer data) {
    (void)cr;
    gboolean* reported = data;
    if (!*reported) {
        *reported = TRUE;
        g_idle_add(report, window);
    }
    return FALSE;
}

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "tolvane-peer-gtk");
    gtk_window_set_default_size(GTK_WINDOW(window), 601, 439);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_add(GTK_CONTAINER(window), box);
    gtk_box_pack_start(GTK_BOX(box), gtk_label_new("A minimal GTK 3 window"), TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(box), gtk_button_new_with_label("Button"), FALSE, FALSE, 0);

    gboolean reported = FALSE;
    g_signal_connect_after(window, "draw", G_CALLBACK(drawn), &reported);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
