-- A second catalogue whose content column is bytea instead of a large object, in its own
-- schema: a session with "set search_path to zembytea, public" publishes and reads it
-- (zemconfig and zemvolume.GetPathForId are shared with the first one).
drop schema if exists zembytea cascade;
create schema zembytea;
create table zembytea.zemfiles (
    cfid     integer primary key,
    cfname   varchar(255) not null,
    cfattr   integer not null default 32,
    cfexec   integer not null default 0,
    cfdate   timestamp(3) not null,
    cffile   bytea,
    cfvolume varchar(64) not null default 'ZEM_HOME\EXE'
);
