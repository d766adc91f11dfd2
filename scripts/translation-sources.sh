# Sourced by the translation scripts: where the translatable code lives and
# how lupdate is run over it. cutdeck (controller/) speaks Spanish only and
# has no catalogue.
kerfloom_languages=(it pl es)
kerfloom_catalogues=()
for _lang in "${kerfloom_languages[@]}"; do
    kerfloom_catalogues+=("resources/translations/kerfloom_${_lang}.ts")
done
kerfloom_source_dirs=(app core formats ui platform crash update)

lupdate_cmd() {
    local lupdate=lupdate
    [[ -x /usr/lib/qt5/bin/lupdate ]] && lupdate=/usr/lib/qt5/bin/lupdate
    # -I . resolves our "dir/file.h" includes, so tr() inside namespaced and
    # out-of-line members gets its class as context.
    "$lupdate" -silent -locations none -extensions cpp,h,ui -I . "${kerfloom_source_dirs[@]}" "$@"
}
