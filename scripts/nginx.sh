# shellcheck shell=bash
# Sourced by the scripts and tests that serve files on 127.0.0.1: nginx as a child of the caller,
# one process and no user switch, with every file it writes in a folder of its own. The caller
# stops it (nginx_pid).

# start_nginx <folder> <server blocks and other http directives>
start_nginx() {
    nginx_folder=$1
    mkdir -p "$nginx_folder/temp"
    cat >"$nginx_folder/nginx.conf" <<CONF
master_process off;
pid "$nginx_folder/nginx.pid";
error_log "$nginx_folder/error.log";
events { worker_connections 1024; }
http {
  client_body_temp_path "$nginx_folder/temp/body";
  proxy_temp_path "$nginx_folder/temp/proxy";
  fastcgi_temp_path "$nginx_folder/temp/fastcgi";
  uwsgi_temp_path "$nginx_folder/temp/uwsgi";
  scgi_temp_path "$nginx_folder/temp/scgi";
  default_type application/octet-stream;
$2
}
CONF
    nginx -p "$nginx_folder" -c "$nginx_folder/nginx.conf" -e "$nginx_folder/error.log" \
        -g "daemon off;" &
    nginx_pid=$!
}

# nginx_listens <port>...: waits up to 10 s until nginx answers on every port; says why not.
nginx_listens() {
    local port
    for port in "$@"; do
        for _ in $(seq 100); do
            (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && continue 2
            kill -0 "$nginx_pid" 2>/dev/null || break
            sleep 0.1
        done
        echo "nginx does not listen on 127.0.0.1:$port: $(cat "$nginx_folder/error.log")" >&2
        return 1
    done
}
